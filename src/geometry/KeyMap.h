#pragma once

#include <Qt>
#include <QtGlobal>

// The viewer window's keyboard map. Letter keys are told apart by their
// position (X11 scan codes, evdev code + 8) so that the map stays the same on
// every layout; a platform that gives no scan code falls back to the key
// symbol. The zoom, Home, End and page keys go by their symbol, as printed;
// plain plus, equals and minus zoom as most viewers have them.
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
      ZoomIn,        // Ctrl+plus, and Ctrl+= as most people press it unshifted; plain too
      ZoomOut,       // Ctrl+minus, and plain minus
      FirstImage,    // Home
      LastImage,     // End
      NextImage,     // Page Down (Right is the menu's)
      PreviousImage, // Page Up, Backspace
  };
  enum class KeyUpAction { None, HandToolOff, ZoomToolOff, ToggleFullScreen };

  // Key positions.
  enum ScanCode : quint32 {
      Z = 52,
      Space = 65,
      W = 25,
      S = 39,
      A = 38,
      D = 40,
      Zero = 19,
      Backslash = 51,
      Escape = 9,
      M = 58,
      F = 41,
  };

  struct Decision {
      Action action = Action::None;
      bool consumed = false;
    };

    // Control, Alt and Meta make a key "command-like"; Shift does not count.
    // `key` is the Qt key symbol.
    static Decision keyDown(quint32 scanCode, int key, Qt::KeyboardModifiers modifiers);
    static KeyUpAction keyUp(quint32 scanCode, int key, Qt::KeyboardModifiers modifiers);
    // The position of a key, from its scan code or else its Qt key.
    static quint32 position(quint32 scanCode, int key);
    static bool isCommandLike(Qt::KeyboardModifiers modifiers);
};
