#include "geometry/KeyMap.h"

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

bool KeyMap::isCommandLike(Qt::KeyboardModifiers modifiers) {
    return modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

KeyMap::Decision KeyMap::keyDown(quint32 scanCode, int key, Qt::KeyboardModifiers modifiers) {
    const quint32 at = position(scanCode, key);
    if (isCommandLike(modifiers)) {
        if (at == Z)
            return {modifiers & Qt::AltModifier ? Action::ZoomToolOut : Action::ZoomToolIn, true};
        // Only Control with nothing else besides Shift: Alt and Meta
        // combinations belong to the desktop.
        if ((modifiers & (Qt::AltModifier | Qt::MetaModifier)) == 0) {
            if (key == Qt::Key_Plus || key == Qt::Key_Equal)
                return {Action::ZoomIn, true};
            if (key == Qt::Key_Minus)
                return {Action::ZoomOut, true};
        }
        return {};
    }
    switch (key) {
    case Qt::Key_Home: return {Action::FirstImage, true};
    case Qt::Key_End: return {Action::LastImage, true};
    case Qt::Key_PageDown:
        return {Action::NextImage, true};
    case Qt::Key_PageUp:
    case Qt::Key_Backspace:
        return {Action::PreviousImage, true};
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return {Action::ZoomIn, true};
    case Qt::Key_Minus:
        return {Action::ZoomOut, true};
    default: break;
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

KeyMap::KeyUpAction KeyMap::keyUp(quint32 scanCode, int key, Qt::KeyboardModifiers modifiers) {
    switch (position(scanCode, key)) {
    // A held tool ends with its key whatever else is held by then: a
    // modifier let go last must not leave the tool on.
    case Space: return KeyUpAction::HandToolOff;
    case Z: return KeyUpAction::ZoomToolOff;
    case F: return isCommandLike(modifiers) ? KeyUpAction::None : KeyUpAction::ToggleFullScreen;
    default: return KeyUpAction::None;
    }
}
