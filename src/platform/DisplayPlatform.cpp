#include "platform/DisplayPlatform.h"

#include <QtGlobal>

namespace DisplayPlatform {

Environment current() {
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"),
            qgetenv("DISPLAY")};
}

QByteArray preferredPlugin(const Environment& environment) {
    if (!environment.qpaPlatform.trimmed().isEmpty())
        return QByteArray();
    const bool wayland = environment.sessionType.trimmed().toLower() == "wayland" ||
                         !environment.waylandDisplay.isEmpty();
    // Wayland stays the fallback, should the X display not answer.
    if (wayland && !environment.display.isEmpty())
        return QByteArrayLiteral("xcb;wayland");
    return QByteArray();
}

} // namespace DisplayPlatform
