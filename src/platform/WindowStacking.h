#pragma once

class QWindow;

// Stacking hints to the window system that Qt only sends when a window is
// mapped.
namespace WindowStacking {

// Makes `parent` the window that `window` floats above, also while `window`
// is shown (Qt writes the X11 hint only when it maps a window). False, doing
// nothing, where the window system is not X11.
bool setTransientFor(QWindow* window, QWindow* parent);

} // namespace WindowStacking
