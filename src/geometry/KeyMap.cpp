#include "geometry/KeyMap.h"

#include <Qt>

quint32 KeyMap::position(quint32 scanCode, int key) {
    if (scanCode != 0)
        return scanCode;
    switch (key) {
    case Qt::Key_Z: return Z;
    case Qt::Key_Space: return Space;
    case Qt::Key_W: return W;
    case Qt::Key_S: return S;
    case Qt::Key_A: return A;
    case Qt::Key_D: return D;
    case Qt::Key_0: return Zero;
    case Qt::Key_Backslash: return Backslash;
    case Qt::Key_Escape: return Escape;
    case Qt::Key_M: return M;
    case Qt::Key_F: return F;
    default: return 0;
    }
}

KeyMap::Decision KeyMap::keyDown(quint32 scanCode, int key, bool commandLike, bool option) {
    const quint32 at = position(scanCode, key);
    if (commandLike) {
        if (at == Z)
            return {option ? Action::ZoomToolOut : Action::ZoomToolIn, true};
        return {};
    }
    switch (at) {
    case Z: return {Action::ZoomToolIn, true};
    case Space: return {Action::HandTool, true};
    case W: return {Action::PanUp, true};
    case S: return {Action::PanDown, true};
    case A: return {Action::PanLeft, true};
    case D: return {Action::PanRight, true};
    // Actual Size goes on to the menus as well.
    case Zero:
    case Backslash: return {Action::ActualSize, false};
    case Escape: return {Action::CloseOrLeaveFullScreen, true};
    case M: return {Action::ToggleSelectionTool, true};
    default: return {};
    }
}

KeyMap::KeyUpAction KeyMap::keyUp(quint32 scanCode, int key, bool commandLike) {
    if (commandLike)
        return KeyUpAction::None;
    switch (position(scanCode, key)) {
    case Space: return KeyUpAction::HandToolOff;
    case Z: return KeyUpAction::ZoomToolOff;
    case F: return KeyUpAction::ToggleFullScreen;
    default: return KeyUpAction::None;
    }
}
