#include "viewer/ViewerCommands.h"
#include "core/ViewerState.h"
#include "viewer/DNSImageView.h"
#include "viewer/ViewController.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

TEST(ViewerCommands, RightClickAnywhereOpensTheMenuWhoseZoomModeItemsSetTheMode) {
    ViewController viewer;
    viewer.resize(400, 400);
    viewer.show();
    QMenu* menu = viewer.commands()->contextMenu();
    // On the picture, a child of the viewer, as much as on the viewer itself.
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 30),
                            viewer.imageView()->mapToGlobal(QPoint(20, 30)));
    QApplication::sendEvent(viewer.imageView(), &click);
    EXPECT_TRUE(menu->isVisible());
    menu->close();

    // The zoom-mode items set the viewer's mode and move the check mark.
    const std::pair<MenuItem, int> modes[] = {{MenuItem::StretchToFit, 1},
                                              {MenuItem::FillScreen, 2},
                                              {MenuItem::ActualSize, 3},
                                              {MenuItem::FitToScreen, 0}};
    for (const auto& [item, mode] : modes) {
        QAction* action = viewer.commands()->item(item);
        ASSERT_TRUE(action);
        action->setEnabled(true);
        action->trigger();
        EXPECT_EQ(viewer.viewerState().zoomMode, mode) << int(item);
        EXPECT_TRUE(action->isChecked()) << int(item);
    }
    EXPECT_FALSE(viewer.commands()->item(MenuItem::FillScreen)->isChecked());
    EXPECT_FALSE(viewer.commands()->toolbarButton(MenuItem::Copy)) << "Copy has no button";
}

} // namespace
