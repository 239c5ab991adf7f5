#include "viewer/ChromeStyle.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QWidget>

namespace ChromeStyle {

QPalette darkPalette() {
    QPalette p;
    const QColor window(40, 40, 44);
    const QColor text(235, 235, 235);
    const QColor dimText(130, 130, 136);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(30, 30, 33));
    p.setColor(QPalette::AlternateBase, QColor(46, 46, 50));
    p.setColor(QPalette::ToolTipBase, QColor(50, 50, 54));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, dimText);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(54, 54, 58));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, QColor(70, 70, 74));
    p.setColor(QPalette::Midlight, QColor(60, 60, 64));
    p.setColor(QPalette::Mid, QColor(34, 34, 36));
    p.setColor(QPalette::Dark, QColor(24, 24, 26));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, QColor(42, 110, 200));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(110, 170, 255));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, dimText);
    }
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(70, 70, 74));
    return p;
}

QString buttonBarStyleSheet() {
    return QStringLiteral(
        "QToolButton { border: none; border-radius: 6px; background: transparent; padding: 0; }"
        "QToolButton:hover { background: rgba(255, 255, 255, 38); }"
        "QToolButton:pressed { background: rgba(255, 255, 255, 70); }"
        "QToolButton::menu-indicator { image: none; width: 0; }");
}

void darken(QWidget* widget) {
    if (!widget)
        return;
    // Submenus are windows of their own: a palette does not reach them.
    widget->setPalette(darkPalette());
    for (QMenu* submenu : widget->findChildren<QMenu*>())
        submenu->setPalette(darkPalette());
}

void darkenPopups() {
    const QPalette dark = darkPalette();
    // By class, so that menus made later (a context menu, a combo box's
    // list copying a fresh menu's palette) start dark.
    QApplication::setPalette(dark, "QMenu");
    QApplication::setPalette(dark, "QComboBoxPrivateContainer");
    QApplication::setPalette(dark, "QTipLabel");
    QToolTip::setPalette(dark);
}

void resetHoverWhenMenuCloses(QToolButton* button) {
    QMenu* menu = button->menu();
    if (!menu)
        return;
    QObject::connect(menu, &QMenu::aboutToHide, button, [button] {
        // After the menu has gone and the button has ended its press.
        QTimer::singleShot(0, button, [button] {
            const bool over = button->rect().contains(button->mapFromGlobal(QCursor::pos()));
            button->setAttribute(Qt::WA_UnderMouse, over);
            button->setDown(false);
            button->update();
        });
    });
}

} // namespace ChromeStyle
