#include "core/Settings.h"
#include "core/NotificationCenter.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <map>

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
    EXPECT_EQ(settings.infoPanelX(), 0.0);
    EXPECT_EQ(settings.histogramType(), 0);
}

// How stored values read, whatever form their writer chose.
TEST_F(SettingsTest, StoredValuesReadByTheirRules) {
    struct Case {
        const char* key;
        QVariant stored;
        QVariant read;
    };
    const QColor black(Qt::black);
    const Case cases[] = {
        // A slideshow delay below five seconds means ten.
        {"SlideshowDelay", 4.9, 10},
        {"SlideshowDelay", 7.0, 7},
        {"SlideshowDelay", 5, 5},
        {"SlideshowDelay", 0, 10},
        {"SlideshowDelay", -8, 10},
        {"SlideshowDelay", QStringLiteral("6.5"), 6},
        {"SlideshowDelay", QStringLiteral("soon"), 10},
        {"SlideshowDelay", 1e300, std::numeric_limits<int>::max()},
        // Numbers written as text or doubles read as integers.
        {"WindowMode", QStringLiteral("1"), 1},
        {"ZoomingMode", 2.0, 2},
        // Panel geometry is never negative.
        {"InfoPanelX", -20.5, 0.0},
        {"InfoPanelH", 310.25, 310.25},
        // The colour is "#RRGGBB", exactly seven characters, or black.
        {"BackgroundColor", QStringLiteral("#336699"), QColor(0x33, 0x66, 0x99)},
        {"BackgroundColor", QStringLiteral("336699"), black},
        {"BackgroundColor", QStringLiteral("#33669G"), black},
        {"BackgroundColor", QStringLiteral("##abcde"), black},
        // Seven characters the general parser would take after dropping the number sign or
        // skipping a blank.
        {"BackgroundColor", QStringLiteral("12#3456"), black},
        {"BackgroundColor", QStringLiteral("1234#56"), black},
        {"BackgroundColor", QStringLiteral("# 12345"), black},
        {"BackgroundColor", QStringLiteral("#12345 "), black},
        {"BackgroundColor", QStringLiteral("#+12345"), black},
        {"BackgroundColor", QStringLiteral("#1a2b3cff"), black},
    };
    const std::map<QString, std::function<QVariant()>> read{
        {QStringLiteral("SlideshowDelay"), [&] { return QVariant(settings.slideshowDelay()); }},
        {QStringLiteral("WindowMode"), [&] { return QVariant(settings.windowMode()); }},
        {QStringLiteral("ZoomingMode"), [&] { return QVariant(settings.zoomingMode()); }},
        {QStringLiteral("InfoPanelX"), [&] { return QVariant(settings.infoPanelX()); }},
        {QStringLiteral("InfoPanelH"), [&] { return QVariant(settings.infoPanelH()); }},
        {QStringLiteral("BackgroundColor"), [&] { return QVariant(settings.backgroundColor()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " " << c.stored.toString().toStdString());
        store.setValue(QString::fromLatin1(c.key), c.stored);
        EXPECT_EQ(read.at(QString::fromLatin1(c.key))(), c.read);
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
