#pragma once

#include <atomic>
#include <memory>

// A flag that work in flight checks to stop early once nobody wants its
// result any more. Copies share the flag.
class CancelToken {
public:
    CancelToken() : flag(std::make_shared<std::atomic<bool>>(false)) {}
    void cancel() const { flag->store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return flag->load(std::memory_order_relaxed); }

private:
    std::shared_ptr<std::atomic<bool>> flag;
};

// The token of the work running on this thread, for the loops deep inside a
// decoder (scanlines, frames) that cannot be handed one.
namespace Cancellation {

// True when the work running on this thread has been cancelled.
bool requested();

// Makes `token` this thread's current token for the scope's life.
class Scope {
public:
    explicit Scope(const CancelToken& token);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    const CancelToken* previous;
};

} // namespace Cancellation
