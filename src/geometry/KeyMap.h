#pragma once

#include <QtGlobal>

// The viewer window's keyboard map. Keys are told apart by their position
// (X11 scan codes, evdev code + 8) so that the map stays the same on every
// layout; a platform that gives no scan code falls back to the key symbol.
class KeyMap {
public:
    enum class Action {
        None,
        ZoomToolIn,
        ZoomToolOut,
        HandTool,
        PanUp,    // W: moveImage 0
        PanDown,  // S: moveImage 1
        PanLeft,  // A: moveImage 2
        PanRight, // D: moveImage 3
        ActualSize,
        CloseOrLeaveFullScreen,
        ToggleSelectionTool,
    };
    enum class KeyUpAction { None, HandToolOff, ZoomToolOff, ToggleFullScreen };

    // Key positions.
    enum ScanCode : quint32 {
        Z = 52, Space = 65, W = 25, S = 39, A = 38, D = 40, Zero = 19, Backslash = 51,
        Escape = 9, M = 58, F = 41,
    };

    struct Decision {
        Action action = Action::None;
        bool consumed = false;
    };

    // `commandLike` is true while Control, Alt (Option) or Meta is held;
    // Shift does not count. `key` is the Qt key, used without a scan code.
    static Decision keyDown(quint32 scanCode, int key, bool commandLike, bool option);
    static KeyUpAction keyUp(quint32 scanCode, int key, bool commandLike);
    // The position of a key, from its scan code or else its Qt key.
    static quint32 position(quint32 scanCode, int key);
};
