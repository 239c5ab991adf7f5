#include "geometry/WindowCascade.h"

#include <gtest/gtest.h>

namespace {

const QRect screen(0, 30, 1440, 870);

struct Case {
    const char* name;
    QList<QRect> existing;
    QSize size;
    QPoint expected;
};

TEST(WindowCascade, PlacesEachNewWindowOffTheOthers) {
    const QSize small(400, 300);
    const Case cases[] = {
        {"none open: centred in the area", {}, small, QPoint(519, 314)},
        {"one open: a step down and right of it",
         {QRect(100, 100, 500, 400)},
         small,
         QPoint(130, 130)},
        {"the newest counts, not the first",
         {QRect(100, 100, 500, 400), QRect(700, 200, 300, 300)},
         small,
         QPoint(730, 230)},
        {"a stack at the bottom edge wraps to the corner",
         {QRect(100, 600, 400, 300)},
         small,
         QPoint(0, 30)},
        {"a stack at the right edge wraps to the corner",
         {QRect(1020, 100, 400, 300)},
         small,
         QPoint(0, 30)},
        {"exactly touching the edge still fits",
         {QRect(1010, 540, 400, 300)},
         small,
         QPoint(1040, 570)},
        {"a wrapped corner already taken steps on",
         {QRect(0, 30, 400, 300), QRect(1020, 100, 400, 300)},
         small,
         QPoint(30, 60)},
        {"larger than the screen: the corner, size kept",
         {QRect(0, 30, 400, 300)},
         QSize(2000, 1200),
         QPoint(0, 30)},
        {"larger than the screen with none open: the corner", {}, QSize(2000, 1200), QPoint(0, 30)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowCascade::place(c.existing, c.size, screen), c.expected) << c.name;
}

// A window the viewer centres itself moves off only a window it would lie
// exactly on.
TEST(WindowCascade, AvoidsOnlyATopLeftAlreadyTaken) {
    const QSize small(400, 300);
    const struct {
        const char* name;
        QList<QRect> existing;
        QPoint wanted, expected;
    } cases[] = {
        {"free: as wanted", {QRect(100, 100, 400, 300)}, QPoint(519, 314), QPoint(519, 314)},
        {"taken: a step on", {QRect(519, 314, 400, 300)}, QPoint(519, 314), QPoint(549, 344)},
        {"a stack: past all of it",
         {QRect(549, 344, 500, 500), QRect(519, 314, 400, 300)},
         QPoint(519, 314),
         QPoint(579, 374)},
        {"at the edge: the corner", {QRect(1040, 570, 400, 300)}, QPoint(1040, 570), QPoint(0, 30)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowCascade::avoid(c.existing, c.wanted, small, screen), c.expected) << c.name;
}

} // namespace
