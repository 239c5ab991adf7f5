#include "platform/Cancellation.h"

namespace {
thread_local const CancelToken* current = nullptr;
}

bool Cancellation::requested() {
    return current && current->isCancelled();
}

Cancellation::Scope::Scope(const CancelToken& token) : previous(current) {
    current = &token;
}

Cancellation::Scope::~Scope() {
    current = previous;
}
