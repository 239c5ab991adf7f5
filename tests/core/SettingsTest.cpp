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
    EXPECT_EQ(QList<int>({settings.zoomingMode(), settings.windowMode(), settings.backgroundMode(),
                          settings.folderAccess(), settings.histogramType()}),
              QList<int>({0, 0, 0, 0, 0}));
    EXPECT_TRUE(settings.savedFolders().isEmpty());
    EXPECT_FALSE(settings.panelVisible());
    EXPECT_EQ(settings.infoPanelX(), 0.0);
}

// How stored values read, whatever form their writer chose; the colour is written as upper-case
// hex.
TEST_F(SettingsTest, StoredValuesReadByTheirRules) {
    struct Case {
        const char* key;
        QVariant stored;
        QVariant read;
    };
    const QColor black(Qt::black);
    const char* bg = "BackgroundColor";
    // A slideshow delay below five seconds means ten; numbers written as text or doubles read
    // as integers; panel geometry is never negative; the colour is "#RRGGBB", exactly seven
    // characters, or black, even where the general parser would take the text after dropping the
    // number sign or skipping a blank.
    // clang-format off
    const Case cases[] = {
        {"SlideshowDelay", 4.9, 10}, {"SlideshowDelay", 7.0, 7}, {"SlideshowDelay", 5, 5},
        {"SlideshowDelay", 0, 10}, {"SlideshowDelay", -8, 10},
        {"SlideshowDelay", QStringLiteral("6.5"), 6},
        {"SlideshowDelay", QStringLiteral("soon"), 10},
        {"SlideshowDelay", 1e300, std::numeric_limits<int>::max()},
        {"WindowMode", QStringLiteral("1"), 1}, {"ZoomingMode", 2.0, 2},
        {"InfoPanelX", -20.5, 0.0}, {"InfoPanelH", 310.25, 310.25},
        {bg, QStringLiteral("#336699"), QColor(0x33, 0x66, 0x99)},
        {bg, QStringLiteral("336699"), black}, {bg, QStringLiteral("#33669G"), black},
        {bg, QStringLiteral("##abcde"), black}, {bg, QStringLiteral("12#3456"), black},
        {bg, QStringLiteral("1234#56"), black}, {bg, QStringLiteral("# 12345"), black},
        {bg, QStringLiteral("#12345 "), black}, {bg, QStringLiteral("#+12345"), black},
        {bg, QStringLiteral("#1a2b3cff"), black},
    };
    // clang-format on
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
    settings.setBackgroundColor(QColor(0xab, 0x0c, 0xff));
    EXPECT_EQ(store.value(QStringLiteral("BackgroundColor")).toString(), QStringLiteral("#AB0CFF"));
}

// A file that is not written again does not come back. Read from a file, values are text, and
// still the same values.
TEST_F(SettingsTest, OnlyChangedValuesAreWritten) {
    const QString written = dir.filePath(QStringLiteral("written.conf"));
    QFile text(written);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("[General]\nPanelVisible=true\nWindowMode=1\n");
    text.close();
    QSettings reread{written, QSettings::IniFormat};
    Settings again{reread};
    ASSERT_EQ(reread.value(QStringLiteral("PanelVisible")).typeId(), QMetaType::QString);
    again.setValue(Settings::ZoomingMode, 2);
    reread.sync();
    QFile::remove(written);
    again.setPanelVisible(true);
    again.setValue(Settings::WindowMode, 1);
    again.setValue(Settings::ZoomingMode, 2);
    reread.sync();
    EXPECT_FALSE(QFile::exists(written));
    again.setValue(Settings::WindowMode, 2);
    reread.sync();
    EXPECT_TRUE(QFile::exists(written));
    EXPECT_EQ(again.windowMode(), 2);
}

TEST(HexColour, ShortLongAndAlphaForms) {
    const std::pair<const char*, std::optional<QColor>> cases[] = {
        {"#f80", QColor(0xff, 0x88, 0x00)},
        {"##ff8800", QColor(0xff, 0x88, 0x00)},
        {"ff880080", QColor(0xff, 0x88, 0x00, 0x80)},
        {"", std::nullopt},
        {"#ff88", std::nullopt},
        {"#+f-f00", std::nullopt}};
    for (const auto& [text, colour] : cases)
        EXPECT_EQ(Settings::colorFromHex(QString::fromLatin1(text)), colour) << text;
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
