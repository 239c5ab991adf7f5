#include "menus/CLColorPicker.h"
#include "core/Settings.h"
#include "menus/ColorPalette.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QColor hex(const char* text) {
    return *Settings::colorFromHex(QString::fromLatin1(text));
}

CLColorSwatchButton* swatchOf(CLColorControllerPopove* popover, const QColor& color) {
    for (CLColorSwatchButton* button : popover->buttons()) {
        if (button->color() == color)
            return button;
    }
    return nullptr;
}

TEST(CLColorPicker, ThePopoverMarksTheColourShownAndASwatchIsSentAndClosesIt) {
    CLColorPicker picker;
    picker.setSelectedColor(hex("#000000"));
    picker.show();
    EXPECT_EQ(picker.size(), QSize(70, 24));
    EXPECT_EQ(CLColorPicker::segmentAt({40, 5}), 0);
    EXPECT_EQ(CLColorPicker::segmentAt({41, 5}), 1);
    EXPECT_EQ(CLColorPicker::segmentAt({65, 5}), -1);
    QSignalSpy sent(&picker, &CLColorPicker::colorAction);
    picker.selectedSegment(0);
    const QPointer<CLColorControllerPopove> popover = picker.popover();
    ASSERT_TRUE(popover);
    EXPECT_TRUE(popover->isVisible());
    ASSERT_EQ(popover->buttons().size(), 36);
    int marked = 0;
    for (CLColorSwatchButton* button : popover->buttons())
        marked += button->isMarked();
    EXPECT_EQ(marked, 1);
    // Black is the last swatch of the last column: the bottom-right one.
    CLColorSwatchButton* black = popover->buttons().last();
    EXPECT_TRUE(black->isMarked());
    EXPECT_EQ(black->geometry(), QRect(8 + 42 * 5 - 2, 126 - 2, 44, 24));
    EXPECT_EQ(popover->buttons().first()->geometry(), QRect(8, 8, 40, 20));
    EXPECT_TRUE(popover->rect().contains(black->geometry()));

    CLColorSwatchButton* grey = swatchOf(popover, hex("#333333"));
    ASSERT_TRUE(grey);
    grey->click();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(Settings::hexString(sent.first().first().value<QColor>()), QStringLiteral("#333333"));
    EXPECT_TRUE(!popover || !popover->isVisible());
    EXPECT_EQ(picker.selectedColor(), hex("#333333"));

    // Components and hex strings make the same colours: a component colour is found too.
    picker.setSelectedColor(QColor(206, 35, 43));
    picker.selectedSegment(0);
    EXPECT_TRUE(swatchOf(picker.popover(), QColor(206, 35, 43))->isMarked());
}

TEST(CLColorPicker, ArrowsMoveWithinTheGridAndReturnChooses) {
    struct Case {
        int column, row;
        Qt::Key key;
        int toColumn, toRow;
    };
    const Case cases[] = {
        {0, 0, Qt::Key_Left, 0, 0},  {0, 2, Qt::Key_Left, 0, 2},  {3, 2, Qt::Key_Left, 2, 2},
        {0, 0, Qt::Key_Right, 1, 0}, {5, 5, Qt::Key_Right, 5, 5}, {5, 1, Qt::Key_Right, 5, 1},
        {2, 0, Qt::Key_Up, 2, 0},    {2, 4, Qt::Key_Up, 2, 3},    {2, 3, Qt::Key_Down, 2, 4},
        {4, 5, Qt::Key_Down, 4, 5},
    };
    CLColorPicker picker;
    picker.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.column << "," << c.row << " key " << c.key);
        picker.selectedSegment(0);
        CLColorControllerPopove* popover = picker.popover();
        ASSERT_TRUE(popover);
        const auto at = [&](int column, int row) {
            return popover->buttons().at(column * ColorPalette::rows + row);
        };
        at(c.column, c.row)->setFocus();
        QTest::keyClick(at(c.column, c.row), c.key);
        EXPECT_EQ(popover->focusWidget(), at(c.toColumn, c.toRow));
    }
    QSignalSpy sent(&picker, &CLColorPicker::colorAction);
    CLColorSwatchButton* focused =
        qobject_cast<CLColorSwatchButton*>(picker.popover()->focusWidget());
    ASSERT_TRUE(focused);
    const QColor chosen = focused->color();
    QTest::keyClick(focused, Qt::Key_Return);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent.first().first().value<QColor>(), chosen);
}

TEST(CLColorPicker, TheColourDialogIsLinkedUntilClosedByAnyMeans) {
    CLColorPicker picker;
    picker.setSelectedColor(hex("#1A1A1A"));
    picker.show();
    QSignalSpy sent(&picker, &CLColorPicker::colorAction);
    picker.selectedSegment(1);
    QColorDialog* panel = picker.colorPanel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(picker.enableColorChoose());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isModal());
    EXPECT_FALSE(panel->testOption(QColorDialog::ShowAlphaChannel)) << "the store keeps no opacity";
    EXPECT_EQ(panel->currentColor(), hex("#1A1A1A"));
    EXPECT_EQ(sent.size(), 0) << "seeding the dialog sends nothing back";

    panel->setCurrentColor(QColor(10, 200, 30));
    ASSERT_EQ(sent.size(), 1) << "every change reaches the target at once";
    EXPECT_EQ(picker.selectedColor(), QColor(10, 200, 30));

    picker.selectedSegment(1);
    EXPECT_FALSE(panel->isVisible()) << "a second click closes it";
    EXPECT_FALSE(picker.enableColorChoose());

    // Closed by its own window button: the link ends, and later changes are not sent.
    picker.selectedSegment(1);
    EXPECT_TRUE(picker.enableColorChoose());
    panel->close();
    EXPECT_FALSE(picker.enableColorChoose());
    const qsizetype before = sent.size();
    panel->setCurrentColor(Qt::yellow);
    EXPECT_EQ(sent.size(), before);

    // The swatches close the dialog too.
    picker.selectedSegment(1);
    picker.selectedSegment(0);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(picker.enableColorChoose());
}

} // namespace
