#include "core/NotificationCenter.h"
#include "core/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QSettings store{dir.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat};
    Settings settings{store};
};

TEST_F(SettingsTest, EmptyStoreGivesTheAbsentValues) {
    EXPECT_EQ(settings.zoomingMode(), 0);
    EXPECT_EQ(settings.windowMode(), 0);
    EXPECT_EQ(settings.slideshowDelay(), 10);
    EXPECT_EQ(settings.backgroundMode(), 0);
    EXPECT_EQ(settings.backgroundColor(), QColor(Qt::black));
    EXPECT_EQ(settings.folderAccess(), 0);
    EXPECT_TRUE(settings.savedFolders().isEmpty());
    EXPECT_FALSE(settings.panelVisible());
    EXPECT_EQ(settings.hideWelcomeScreen(), 0);
    EXPECT_EQ(settings.infoPanelX(), 0.0);
    EXPECT_EQ(settings.histogramType(), 0);
}

TEST_F(SettingsTest, SlideshowDelayBelowFiveMeansTen) {
    const std::pair<QVariant, int> cases[] = {
        {4.9, 10}, {7.0, 7}, {5, 5}, {3, 10}, {0, 10}, {-8, 10}, {QStringLiteral("6.5"), 6},
        {QStringLiteral("soon"), 10}, {1e300, std::numeric_limits<int>::max()}};
    for (const auto& [stored, expected] : cases) {
        store.setValue(QStringLiteral("SlideshowDelay"), stored);
        EXPECT_EQ(settings.slideshowDelay(), expected) << stored.toString().toStdString();
    }
}

TEST_F(SettingsTest, NumbersWrittenAsTextOrDoublesReadAsIntegers) {
    store.setValue(QStringLiteral("WindowMode"), QStringLiteral("1"));
    store.setValue(QStringLiteral("ZoomingMode"), 2.0);
    EXPECT_EQ(settings.windowMode(), 1);
    EXPECT_EQ(settings.zoomingMode(), 2);
}

TEST_F(SettingsTest, NegativePanelGeometryReadsAsZero) {
    store.setValue(QStringLiteral("InfoPanelX"), -20.5);
    store.setValue(QStringLiteral("InfoPanelH"), 310.25);
    EXPECT_EQ(settings.infoPanelX(), 0.0);
    EXPECT_EQ(settings.infoPanelH(), 310.25);
}

TEST_F(SettingsTest, BackgroundColourNeedsExactlySevenCharacters) {
    store.setValue(QStringLiteral("BackgroundColor"), QStringLiteral("#336699"));
    EXPECT_EQ(settings.backgroundColor(), QColor(0x33, 0x66, 0x99));
    store.setValue(QStringLiteral("BackgroundColor"), QStringLiteral("#000000"));
    EXPECT_EQ(settings.backgroundColor(), QColor(Qt::black));
    store.setValue(QStringLiteral("BackgroundColor"), QStringLiteral("336699"));
    EXPECT_EQ(settings.backgroundColor(), QColor(Qt::black));
    store.setValue(QStringLiteral("BackgroundColor"), QStringLiteral("#33669G"));
    EXPECT_EQ(settings.backgroundColor(), QColor(Qt::black));
    store.setValue(QStringLiteral("BackgroundColor"), QStringLiteral("##abcde"));
    EXPECT_EQ(settings.backgroundColor(), QColor(Qt::black)) << "five digits do not parse";
    // Seven characters that the general parser would take after dropping
    // the number sign or skipping a blank: not "#RRGGBB", so black.
    for (const char* text : {"12#3456", "1234#56", "# 12345", "#12345 ", "#+12345"}) {
        store.setValue(QStringLiteral("BackgroundColor"), QString::fromLatin1(text));
        EXPECT_EQ(settings.backgroundColor(), QColor(Qt::black)) << text;
    }
}

TEST_F(SettingsTest, ColourIsStoredAsUpperCaseHex) {
    settings.setBackgroundColor(QColor(0xab, 0x0c, 0xff));
    EXPECT_EQ(store.value(QStringLiteral("BackgroundColor")).toString(), QStringLiteral("#AB0CFF"));
    EXPECT_EQ(settings.backgroundColor(), QColor(0xab, 0x0c, 0xff));
}

TEST_F(SettingsTest, OnlyChangedValuesAreWritten) {
    const QString file = dir.filePath(QStringLiteral("settings.conf"));
    settings.setPanelVisible(true);
    store.sync();
    ASSERT_TRUE(QFile::exists(file));
    // A file that is not written again does not come back.
    QFile::remove(file);
    settings.setPanelVisible(true);
    store.sync();
    EXPECT_FALSE(QFile::exists(file)) << "the same value was written again";
    settings.setPanelVisible(false);
    store.sync();
    EXPECT_TRUE(QFile::exists(file));

    // Read from a file, values are text, and still the same values.
    const QString written = dir.filePath(QStringLiteral("written.conf"));
    QFile text(written);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("[General]\nPanelVisible=true\nWindowMode=1\n");
    text.close();
    QSettings reread{written, QSettings::IniFormat};
    Settings again{reread};
    ASSERT_EQ(reread.value(QStringLiteral("PanelVisible")).typeId(), QMetaType::QString);
    QFile::remove(written);
    again.setPanelVisible(true);
    again.setValue(Settings::WindowMode, 1);
    reread.sync();
    EXPECT_FALSE(QFile::exists(written));
    again.setValue(Settings::WindowMode, 2);
    reread.sync();
    EXPECT_TRUE(QFile::exists(written));
    EXPECT_EQ(again.windowMode(), 2);
}

TEST(HexColour, ShortLongAndAlphaForms) {
    EXPECT_EQ(Settings::colorFromHex(QStringLiteral("#f80")), QColor(0xff, 0x88, 0x00));
    EXPECT_EQ(Settings::colorFromHex(QStringLiteral("##ff8800")), QColor(0xff, 0x88, 0x00));
    EXPECT_EQ(Settings::colorFromHex(QStringLiteral("ff880080"))->alpha(), 0x80);
    EXPECT_FALSE(Settings::colorFromHex(QString()));
    EXPECT_FALSE(Settings::colorFromHex(QStringLiteral("#ff88")));
    EXPECT_FALSE(Settings::colorFromHex(QStringLiteral("#+f-f00")));
}

TEST(NotificationCentre, DeliversByNameToLiveObserversOnly) {
    auto& center = NotificationCenter::defaultCenter();
    int updates = 0;
    int states = 0;
    {
        QObject observer;
        center.addObserver(QStringLiteral("updateUI"), &observer, [&] { ++updates; });
        center.addObserver(QStringLiteral("updateStates"), &observer, [&] { ++states; });
        center.post(QStringLiteral("updateUI"));
        EXPECT_EQ(updates, 1);
        EXPECT_EQ(states, 0);
    }
    center.post(QStringLiteral("updateUI"));
    EXPECT_EQ(updates, 1) << "an observer that is gone hears nothing";
}

} // namespace
