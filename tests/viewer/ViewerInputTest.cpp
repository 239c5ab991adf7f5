#include "viewer/ViewerInput.h"
#include "geometry/ViewerGeometry.h"
#include "support/ViewerWindowTest.h"
#include "viewer/OrvaneResizeView.h"
#include "viewer/ViewerCommands.h"
#include "viewer/ViewerSelection.h"

#include <QAction>
#include <QMimeData>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QSignalSpy>
#include <QToolButton>
#include <QWheelEvent>

namespace {

// A viewer window driven the way its user drives it: keys through the
// window system to the window, wheel, mouse and drops to the view.
class ViewerInputTest : public ViewerWindowTest {
  protected:
    void SetUp() override {
        ViewerWindowTest::SetUp();
        input = vc->input();
    }
    bool open(const QString& file) { return ViewerWindowTest::open(file) && shown(); }
    QWindow* keyboard() const { return window->windowHandle(); }
    QRectF imageRect() const { return vc->viewGeometry()->layout(); }
    void wheel(QPoint angle, Qt::KeyboardModifiers modifiers) {
        const QPointF at(vc->width() / 2.0, vc->height() / 2.0);
        QWheelEvent event(at, vc->mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(vc, &event);
    }

    ViewerInput* input = nullptr;
};

TEST_F(ViewerInputTest, AKeyTheViewerPassesOnActsOnlyOnce) {
    ASSERT_TRUE(open(path("a.jpg")));
    // A focused button leaves 0 alone, so the key travels up through the
    // toolbar and the view to the window, past the filter at every step.
    QToolButton* button = vc->toolbar()->actionZoomIn;
    button->setFocus();
    ASSERT_EQ(window->focusWidget(), button);
    QSignalSpy actualSize(input, &ViewerInput::actualSizeRequested);
    QTest::keyClick(keyboard(), Qt::Key_0);
    EXPECT_EQ(actualSize.count(), 1);
    button->clearFocus();
    QTest::keyClick(keyboard(), Qt::Key_0);
    EXPECT_EQ(actualSize.count(), 2) << "with no focus widget the window itself has the keys";
}

TEST_F(ViewerInputTest, HeldToolsEndWhenTheirKeyGoesUpBeforeTheModifierOrFocusGoes) {
    ASSERT_TRUE(shown());
    const ToolModes& tools = input->tools();
    // Which key ends which tool is the key map's; here, that its answer is acted on.
    QTest::keyPress(keyboard(), Qt::Key_Z, Qt::AltModifier);
    ASSERT_TRUE(tools.inZooming());
    EXPECT_TRUE(tools.zoomOut());
    QTest::keyRelease(keyboard(), Qt::Key_Z, Qt::AltModifier); // the modifier still held
    EXPECT_FALSE(tools.inZooming()) << "the tool stuck on";
    EXPECT_EQ(vc->cursor().shape(), Qt::ArrowCursor);
    QTest::keyPress(keyboard(), Qt::Key_Space);
    QTest::keyRelease(keyboard(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_FALSE(tools.inDragging());

    QTest::keyPress(keyboard(), Qt::Key_Z);
    QTest::keyPress(keyboard(), Qt::Key_Space);
    QTest::keyClick(keyboard(), Qt::Key_M);
    QTest::keyPress(keyboard(), Qt::Key_Shift);
    const OrvaneResizeView* rectangle = vc->selection()->selectionView();
    ASSERT_TRUE(tools.inZooming() && tools.inDragging() && tools.inSelecting());
    ASSERT_TRUE(rectangle->squareSelection());
    // Their keys go up in another window, where this one never hears it.
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(vc, &deactivate);
    EXPECT_FALSE(tools.inZooming());
    EXPECT_FALSE(tools.inDragging());
    EXPECT_FALSE(rectangle->squareSelection()) << "Shift may have gone up elsewhere too";
    EXPECT_TRUE(tools.inSelecting()) << "M toggles; it is not held";
    EXPECT_EQ(vc->cursor().shape(), Qt::CrossCursor);
}

// How much each asks for is the tool modes' and the zoom engine's; here, that each way reaches it.
TEST_F(ViewerInputTest, ControlWheelControlEqualsAndSmartZoomZoomThePlainWheelDoesNot) {
    ASSERT_TRUE(TestImages::writeImage(path("wide.png"), filled(300, 200, Qt::darkCyan), "png"));
    ASSERT_TRUE(open(path("wide.png")));
    const QRectF fitted = imageRect();
    wheel(QPoint(0, 120), Qt::NoModifier);
    EXPECT_EQ(imageRect().width(), fitted.width()) << "the plain wheel pans, never zooms";
    wheel(QPoint(0, 120), Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(imageRect().width(), fitted.width() * 1.25);
    wheel(QPoint(0, -120), Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(imageRect().width(), fitted.width());

    QTest::keyClick(keyboard(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return imageRect().width() > fitted.width() * 1.3; }, 5000))
        << "Ctrl+= without Shift zooms in";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !vc->viewGeometry()->windowAnimation; }, 5000));
    const double zoomed = imageRect().width();
    QTest::keyClick(keyboard(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return imageRect().width() < zoomed; }, 5000));
    vc->viewGeometry()->landAnimation(true);

    // A platform that reports the two-finger double tap.
    const QRectF before = imageRect();
    const QPointF at(vc->width() / 2.0, vc->height() / 2.0);
    QNativeGestureEvent tap(Qt::SmartZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2,
                            at, at, vc->mapToGlobal(at), 0, QPointF());
    QCoreApplication::sendEvent(vc, &tap);
    EXPECT_TRUE(QTest::qWaitFor([&] { return imageRect() != before; }, 3000));
    vc->viewGeometry()->landAnimation(true);
    // Where it does not, the menu item does the same: here, back again.
    vc->commands()->item(MenuItem::SmartZoom)->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return imageRect() == before; }, 3000))
        << "at " << imageRect().width() << " wide, not " << before.width();
}

TEST_F(ViewerInputTest, HomeEndPageKeysAndMouseButtonsStepEscapeTakesASelectionFirst) {
    ASSERT_TRUE(open(path("img10.gif")));
    QTest::keyClick(keyboard(), Qt::Key_End);
    ASSERT_TRUE(settle());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("img2.gif"));
    QTest::keyClick(keyboard(), Qt::Key_Home);
    ASSERT_TRUE(settle());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("a.jpg"));
    EXPECT_EQ(vc->document()->imageFiles().fileNumber(), 0u);
    QSignalSpy loads(vc, &ViewController::updateDetailsPanel);
    QTest::keyClick(keyboard(), Qt::Key_Home);
    ASSERT_TRUE(settle());
    EXPECT_EQ(loads.count(), 0) << "already the first: nothing to load again";
    QTest::keyClick(keyboard(), Qt::Key_PageDown);
    ASSERT_TRUE(settle());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("b.PNG"));
    QMouseEvent back(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::BackButton,
                     Qt::BackButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vc, &back);
    ASSERT_TRUE(settle());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("a.jpg"));
    vc->selection()->selectAll();
    ASSERT_TRUE(vc->selection()->hasSelection());
    QTest::keyClick(keyboard(), Qt::Key_Escape);
    EXPECT_FALSE(vc->selection()->hasSelection());
    EXPECT_TRUE(window->isVisible()) << "the first Escape takes only the selection";
}

TEST_F(ViewerInputTest, OnlyTheUsersEdgeDragMakesTheImageCoverTheWindow) {
    ASSERT_TRUE(TestImages::writeImage(path("photo.png"), TestImages::asymmetric(300, 200), "PNG"));
    ASSERT_TRUE(open(path("photo.png")));
    ASSERT_EQ(vc->zoomMode, 0);
    ASSERT_EQ(imageRect().size(), QSizeF(300, 200)) << "it fits at its own size";
    const auto centred = [](QSize view) {
        return QRectF((view.width() - 300) / 2.0, (view.height() - 200) / 2.0, 300, 200);
    };

    // Programmatic, or the window manager's: the image keeps its fit.
    window->resize(640, 480);
    QTest::qWait(0);
    ASSERT_EQ(vc->size(), QSize(640, 480));
    EXPECT_EQ(imageRect(), centred(vc->size()));

    // The user's drag of an edge: the image covers the window.
    input->liveResizeStarted();
    window->resize(500, 450);
    QTest::qWait(0);
    EXPECT_GE(imageRect().width(), 500);
    EXPECT_GE(imageRect().height(), 450);
    // The pointer back over the window: the drag is over.
    QTest::mouseMove(vc, QPoint(250, 200));
    window->resize(520, 460);
    QTest::qWait(0);
    EXPECT_EQ(imageRect(), centred(vc->size())) << "the zoom mode applies again";
}

TEST_F(ViewerInputTest, DropsHandOnTheirLocalFilesOnly) {
    QSignalSpy dropped(vc, &ViewController::filesDropped);
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(path("a.jpg")), QUrl(QStringLiteral("https://example.org/x.png"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vc, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vc, &drop);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped.first().first().toStringList(), QStringList{path("a.jpg")});

    QMimeData words;
    words.setText(QStringLiteral("just words"));
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &words, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vc, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

} // namespace
