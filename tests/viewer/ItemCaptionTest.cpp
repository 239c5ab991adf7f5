#include "viewer/ItemCaption.h"

#include <gtest/gtest.h>

namespace {

TEST(ItemCaption, PositionAndZoomReadAsTheUserCountsAndLeaveOutWhatIsUnknown) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    struct Case {
        std::optional<qsizetype> index;
        qsizetype count;
        std::optional<double> zoom;
        const QLocale& locale;
        const char* text;
    } cases[] = {
        {11, 2000, 0.25, english, "12 / 2,000 · 25 %"},
        {0, 1, 1.0, english, "1 / 1 · 100 %"},
        {0, 3, 2.0 / 3, english, "1 / 3 · 67 %"},
        {1, 3, 0.036, english, "2 / 3 · 3.6 %"},
        {1, 3, 0.03, english, "2 / 3 · 3 %"},
        {1, 3, 0.0995, english, "2 / 3 · 10 %"},
        {1, 3, 0.00375, english, "2 / 3 · 0.38 %"},
        {1, 12000, 0.036, german, "2 / 12.000 · 3,6 %"},
        {std::nullopt, 5, 1.5, english, "150 %"}, // the current file left its folder
        {5, 5, 1.5, english, "150 %"},            // an index past the list
        {2, 5, std::nullopt, english, "3 / 5"},   // a file that failed: no zoom
        {2, 5, 0.0, english, "3 / 5"},
        {std::nullopt, 0, std::nullopt, english, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ItemCaption::position(c.index, c.count, c.zoom, c.locale),
                  QString::fromUtf8(c.text))
            << c.text;
    EXPECT_DOUBLE_EQ(*ItemCaption::zoom(300, 1200), 0.25);
    EXPECT_FALSE(ItemCaption::zoom(300, 0));
}

TEST(ItemCaption, AnArchiveEntryKeepsItsPathBesideTheArchiveAndAFileItsName) {
    EXPECT_EQ(
        ItemCaption::windowTitle(QStringLiteral("sub/flower2.jpg"), QStringLiteral("photos.zip")),
        QStringLiteral("sub/flower2.jpg — photos.zip"));
    EXPECT_EQ(ItemCaption::windowTitle(QStringLiteral("a.jpg"), QString()),
              QStringLiteral("a.jpg"));
}

} // namespace
