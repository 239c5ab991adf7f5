#pragma once

#include <QByteArray>

// Which of Qt's platform plugins the viewer starts on. On Wayland a client
// may not place its own window, and the viewer places its window often
// (centring, the clamp into the visible area, smart zoom's return, moves by
// the background); through XWayland it may. So a Wayland session with X
// available runs on X, unless the user chose a plugin themselves.
namespace DisplayPlatform {

struct Environment {
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray display;        // DISPLAY
};

// The process's environment as it stands.
Environment current();
// The plugins to ask for, in order; empty to leave Qt's own choice.
QByteArray preferredPlugin(const Environment& environment);

} // namespace DisplayPlatform
