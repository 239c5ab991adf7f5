#include "viewer/ViewerChrome.h"

#include "support/ViewerWindowTest.h"
#include "viewer/MainToolbar.h"
#include "viewer/ViewerCommands.h"
#include "viewer/ViewerInput.h"
#include "viewer/WindowHeader.h"

#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>

namespace {

class ViewerChromeTest : public ViewerWindowTest {
  protected:
    void SetUp() override {
        ViewerWindowTest::SetUp();
        ASSERT_TRUE(open(path("a.jpg")));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        chrome = window->chrome();
        chrome->hider().setManualTimer(true);
    }
    // A move as the window system reports it, to the top-level window.
    void moveTo(QWidget* over, QPoint at) {
        const QPointF local = over->mapTo(window, at);
        QMouseEvent move(QEvent::MouseMove, local, over->mapToGlobal(QPointF(at)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &move);
    }
    QWidget* toolbar() const { return vc->toolbar(); }

    ViewerChrome* chrome = nullptr;
};

// What the window reports reaches the hider's rules: the toolbar and the
// header are chrome, a held tool counts, a leave onto a child or a popup is
// none, and in full screen the header stays hidden.
TEST_F(ViewerChromeTest, MovesOverTheChromeAndLeavesReachTheHideRules) {
    moveTo(vc, vc->rect().center());
    EXPECT_TRUE(chrome->hider().isTimerPending());
    moveTo(toolbar(), toolbar()->rect().center());
    EXPECT_FALSE(chrome->hider().isTimerPending());
    moveTo(window->header(), QPoint(window->header()->width() / 2, 5));
    EXPECT_FALSE(chrome->hider().isTimerPending());
    vc->input()->canBeScrolled(true);
    moveTo(vc, vc->rect().center());
    EXPECT_FALSE(chrome->hider().isTimerPending());
    vc->input()->canBeScrolled(false);

    moveTo(vc, vc->rect().center());
    QCursor::setPos(window->mapToGlobal(window->rect().center()));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(window->windowHandle(), &leave);
    EXPECT_FALSE(chrome->isFading()) << "the pointer is still inside";
    EXPECT_TRUE(chrome->hider().isTimerPending());
    QCursor::setPos(window->mapToGlobal(QPoint(-50, -50)));
    QCoreApplication::sendEvent(window->windowHandle(), &leave);
    EXPECT_TRUE(chrome->isFading());

    chrome->setFullScreen(true);
    EXPECT_FALSE(window->header()->isVisible());
    moveTo(vc, vc->rect().center());
    EXPECT_FALSE(window->header()->isVisible());
    EXPECT_TRUE(toolbar()->isVisible());
    chrome->setFullScreen(false);
    moveTo(vc, vc->rect().center());
    EXPECT_TRUE(window->header()->isVisible());
}

TEST_F(ViewerChromeTest, TheFadeHidesTheChromeAndAMoveDuringItKeepsItShown) {
    moveTo(vc, vc->rect().center());
    ASSERT_TRUE(toolbar()->isVisible());
    chrome->hider().timerFired();
    EXPECT_TRUE(chrome->isFading());
    // Shown again half-way: the fade must not finish hiding it.
    moveTo(vc, vc->rect().center() + QPoint(5, 5));
    EXPECT_FALSE(chrome->isFading());
    EXPECT_EQ(toolbar()->graphicsEffect(), nullptr) << "at full opacity";
    QTest::qWait(600);
    EXPECT_TRUE(toolbar()->isVisible());
    EXPECT_TRUE(window->header()->isVisible());

    chrome->hider().timerFired();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !toolbar()->isVisible(); }, 2000));
    EXPECT_FALSE(window->header()->isVisible());
    EXPECT_EQ(toolbar()->graphicsEffect(), nullptr) << "opaque again for the next show";
}

TEST_F(ViewerChromeTest, TheCursorHidesOverTheViewUntilAMoveADialogOrAMenu) {
    auto blank = [this] {
        return vc->testAttribute(Qt::WA_SetCursor) && vc->cursor().shape() == Qt::BlankCursor;
    };
    auto hide = [&] {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window))
            return false;
        moveTo(vc, vc->rect().center());
        chrome->hider().timerFired();
        return blank();
    };
    ASSERT_TRUE(hide());
    EXPECT_FALSE(QGuiApplication::overrideCursor()) << "dialogs and menus keep their pointer";
    moveTo(vc, vc->rect().center() + QPoint(3, 3));
    EXPECT_FALSE(blank()) << "a move brings the cursor back";

    // Whatever opens before the pointer moves again brings it back too.
    QMenu menu;
    menu.addAction(QStringLiteral("Open"));
    QDialog dialog(window);
    const std::function<void()> opens[] = {
        [&] { menu.popup(window->mapToGlobal(QPoint(10, 10))); },
        [&] { dialog.open(); },
        [&] {
            QEvent deactivate(QEvent::WindowDeactivate);
            QCoreApplication::sendEvent(window, &deactivate);
        },
    };
    for (const auto& open : opens) {
        ASSERT_TRUE(hide());
        open();
        EXPECT_FALSE(blank());
        menu.close();
        dialog.close();
    }
    // The selection tool's own cursor comes back, not the arrow.
    vc->input()->canBeSelected(true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    chrome->hideInterface();
    ASSERT_TRUE(blank());
    opens[2]();
    EXPECT_EQ(vc->cursor().shape(), Qt::CrossCursor);
    vc->input()->canBeSelected(false);

    // The hand shows a cursor of its own: Space hides the chrome, not it.
    vc->input()->canBeScrolled(true);
    chrome->hideInterface();
    EXPECT_TRUE(chrome->isFading());
    EXPECT_FALSE(blank());
    vc->input()->canBeScrolled(false);

    // Hidden when the window closes: it comes back, and no hide follows.
    ASSERT_TRUE(hide());
    window->close();
    EXPECT_FALSE(blank());
    EXPECT_FALSE(chrome->hider().isTimerPending());
}

TEST_F(ViewerChromeTest, F10OpensTheMenuButtonsMenuAndShiftF10TheContextMenu) {
    QMenu menu;
    menu.addAction(QStringLiteral("Open"));
    window->header()->menuButton->setMenu(&menu);
    window->header()->menuButton->show();
    QTest::keyClick(window, Qt::Key_F10);
    EXPECT_TRUE(QTest::qWaitFor([&menu] { return menu.isVisible(); }, 2000));
    menu.close();
    QMenu* context = vc->commands()->contextMenu();
    QTest::keyClick(window, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(QTest::qWaitFor([context] { return context->isVisible(); }, 2000));
    context->close();
    window->header()->menuButton->setMenu(nullptr);
}

} // namespace
