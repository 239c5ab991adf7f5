#include "platform/DocumentPortal.h"

#include "platform/WorkerPools.h"

#include <QFileInfo>
#include <QThreadPool>
#include <QtGlobal>
#include <atomic>
#include <mutex>

// glib uses "signals" as an identifier, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace {
enum State { NotAsked, Asking, Answered, Silent };

std::atomic<int> state{NotAsked};
std::mutex hooks;

DocumentPortal::Probe& override() {
    static DocumentPortal::Probe probe;
    return probe;
}

DocumentPortal::Probe& busQuery() {
    static DocumentPortal::Probe query;
    return query;
}

// The portal is started on demand by the bus, so asking it something is the
// only sure test; its mount point is the cheapest question. A bus that is
// slow to start it may take the whole timeout: this runs on a lookup thread.
bool portalAnswers() {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return false;
    }
    constexpr int timeoutMs = 5000;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.portal.Documents", "/org/freedesktop/portal/documents",
        "org.freedesktop.portal.Documents", "GetMountPoint", nullptr, G_VARIANT_TYPE("(ay)"),
        G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, &error);
    g_object_unref(bus);
    if (!reply) {
        g_clear_error(&error);
        return false;
    }
    g_variant_unref(reply);
    return true;
}
} // namespace

bool DocumentPortal::inSandbox() {
    return QFileInfo::exists(QStringLiteral("/.flatpak-info")) ||
           qEnvironmentVariableIsSet("FLATPAK_ID") || qEnvironmentVariableIsSet("SNAP");
}

void DocumentPortal::probe() {
    if (!inSandbox())
        return;
    int expected = NotAsked;
    if (!state.compare_exchange_strong(expected, Asking))
        return;
    Probe query;
    {
        const std::lock_guard lock(hooks);
        query = busQuery();
    }
    WorkerPools::lookups()->start([query = std::move(query)] {
        const bool answered = query ? query() : portalAnswers();
        state.store(answered ? Answered : Silent);
    });
}

bool DocumentPortal::answers() {
    Probe stand;
    {
        const std::lock_guard lock(hooks);
        stand = override();
    }
    if (stand)
        return stand();
    probe();
    return state.load() == Answered;
}

void DocumentPortal::setProbe(Probe probe) {
    const std::lock_guard lock(hooks);
    override() = std::move(probe);
}

void DocumentPortal::setBusQuery(Probe query) {
    const std::lock_guard lock(hooks);
    busQuery() = std::move(query);
    state.store(NotAsked);
}
