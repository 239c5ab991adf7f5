#pragma once

#include <QPalette>
#include <QString>

class QToolButton;
class QWidget;

// The look of the viewer's chrome and of what opens from it. The viewer
// window is dark whatever the desktop's theme, so its menus, tooltips and
// dialogs are dark too, and its buttons light up translucently on hover
// instead of turning into the style's opaque light panel.
namespace ChromeStyle {

// A dark palette for menus, tooltips and dialogs opened from the viewer.
QPalette darkPalette();
// The style sheet for a bar of flat icon buttons on a dark translucent panel.
QString buttonBarStyleSheet();
// Gives a popup (menu, dialog) and its submenus the dark palette.
void darken(QWidget* widget);
// Every menu, combo box list and tooltip of the application dark, however it
// was made: popups are windows of their own, so no palette set on the
// chrome reaches them, and some styles dress a combo box's list as a menu.
void darkenPopups();
// A button whose menu has closed is shown as not hovered unless the pointer
// is really on it: the menu took the pointer, so no leave came.
void resetHoverWhenMenuCloses(QToolButton* button);

} // namespace ChromeStyle
