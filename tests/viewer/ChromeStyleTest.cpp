#include "viewer/ChromeStyle.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// A white disc on transparent, so that a hover panel over it shows.
QIcon whiteDisc() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setBrush(Qt::white);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRect(8, 8, 16, 16));
    painter.end();
    return QIcon(pixmap);
}

TEST(ChromeStyle, AHoveredButtonKeepsItsIconVisibleUnderATranslucentHighlight) {
    QWidget bar;
    bar.setStyleSheet(ChromeStyle::buttonBarStyleSheet());
    bar.setAutoFillBackground(true);
    QPalette black = bar.palette();
    black.setColor(QPalette::Window, Qt::black);
    bar.setPalette(black);
    auto* button = new QToolButton(&bar);
    button->setIcon(whiteDisc());
    button->setIconSize(QSize(32, 32));
    button->setGeometry(0, 0, 40, 40);
    button->setAttribute(Qt::WA_UnderMouse, true);
    const QImage hovered = bar.grab(QRect(0, 0, 40, 40)).toImage();
    // Around the icon: lighter than the bar, far from an opaque light panel.
    const QColor edge = hovered.pixelColor(3, 20);
    EXPECT_GT(edge.lightness(), 0) << "no highlight at all";
    EXPECT_LT(edge.lightness(), 100) << "an opaque panel";
    // The white icon still stands out against that highlight.
    EXPECT_GT(hovered.pixelColor(20, 20).lightness(), 200);
}

TEST(ChromeStyle, TheMenuButtonLooksNormalOnceItsMenuCloses) {
    // The menu took the pointer while it was open, so no leave reached the
    // button: without help it would stay highlighted and pressed.
    QCursor::setPos(QPoint(5000, 5000));
    QWidget bar;
    auto* button = new QToolButton(&bar);
    QMenu menu;
    menu.addAction(QStringLiteral("Open"));
    button->setMenu(&menu);
    ChromeStyle::resetHoverWhenMenuCloses(button);
    bar.show();
    button->setAttribute(Qt::WA_UnderMouse, true);
    button->setDown(true);
    menu.popup(QPoint(0, 0));
    menu.hide();
    QTest::qWait(0);
    EXPECT_FALSE(button->underMouse());
    EXPECT_FALSE(button->isDown());
}

TEST(ChromeStyle, MenusAndTheirSubmenusFollowTheDarkWindow) {
    QMenu menu;
    QMenu* submenu = menu.addMenu(QStringLiteral("Open With"));
    ChromeStyle::darken(&menu);
    for (const QMenu* each : {&menu, submenu}) {
        const QPalette palette = each->palette();
        EXPECT_LT(palette.color(QPalette::Window).lightness(), 80);
        EXPECT_GT(palette.color(QPalette::WindowText).lightness(), 180);
        // Greyed items still read, but apart from the enabled ones.
        const int disabled = palette.color(QPalette::Disabled, QPalette::WindowText).lightness();
        EXPECT_GT(disabled, palette.color(QPalette::Window).lightness() + 40);
        EXPECT_LT(disabled, palette.color(QPalette::WindowText).lightness() - 40);
    }
    EXPECT_LT(ChromeStyle::darkPalette().color(QPalette::ToolTipBase).lightness(), 80);
}

} // namespace
