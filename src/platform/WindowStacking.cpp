#include "platform/WindowStacking.h"

#include <QGuiApplication>
#include <QWindow>
#include <xcb/xcb.h>

bool WindowStacking::setTransientFor(QWindow* window, QWindow* parent) {
    if (!window || !parent || !qGuiApp)
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return false;
    const xcb_window_t id = xcb_window_t(window->winId());
    const xcb_window_t parentId = xcb_window_t(parent->winId());
    if (!id || !parentId)
        return false;
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR,
                        XCB_ATOM_WINDOW, 32, 1, &parentId);
    xcb_flush(x11->connection());
    return true;
}
