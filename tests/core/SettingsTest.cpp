#include "core/Settings.h"
#include "core/NotificationCenter.h"
#include "platform/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

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
    // A slideshow delay below five seconds or above an hour means ten; numbers written as text
    // or doubles read as integers, and a value of another type, not finite or out of its range
    // as absent; panel geometry is never negative; the colour is "#RRGGBB", exactly seven
    // characters, or black, even where the general parser would take the text after dropping the
    // number sign or skipping a blank.
    // clang-format off
    const Case cases[] = {
        {"SlideshowDelay", 4.9, 10}, {"SlideshowDelay", 7.0, 7}, {"SlideshowDelay", 5, 5},
        {"SlideshowDelay", 0, 10}, {"SlideshowDelay", -8, 10},
        {"SlideshowDelay", QStringLiteral("6.5"), 6},
        {"SlideshowDelay", QStringLiteral("soon"), 10},
        {"SlideshowDelay", 1e300, 10}, {"SlideshowDelay", 3600, 3600},
        {"SlideshowDelay", 3601, 10}, {"SlideshowDelay", QStringList{"7", "8"}, 10},
        {"WindowMode", QStringLiteral("1"), 1}, {"WindowMode", 5, 5}, {"WindowMode", -1, 0},
        {"ZoomingMode", 2.0, 2}, {"ZoomingMode", 4, 0}, {"ZoomingMode", QStringLiteral("nan"), 0},
        {"ZoomingMode", QRect(1, 2, 3, 4), 0}, {"BackgroundMode", 2, 2}, {"BackgroundMode", 3, 0},
        {"InfoPanelX", -20.5, 0.0}, {"InfoPanelH", 310.25, 310.25}, {"InfoPanelH", 2e6, 0.0},
        {"InfoPanelH", QStringLiteral("inf"), 0.0},
        {"PanelVisible", QStringLiteral("yes"), true}, {"PanelVisible", QStringLiteral("nan"), false},
        {"PanelVisible", QStringList{"true", "true"}, false},
        {"CCNPreferencesWindowFrameAutoSaveName", QRect(10, 20, 300, 200), QRect(10, 20, 300, 200)},
        {"CCNPreferencesWindowFrameAutoSaveName", QRect(0, 0, -5, 200), QRect()},
        {"CCNPreferencesWindowFrameAutoSaveName", QRect(0, 0, 1000000, 200), QRect()},
        {"CCNPreferencesWindowFrameAutoSaveName", QStringLiteral("0 0 300 200"), QRect()},
        {"SavedFolders", QStringLiteral("/home"), QVariantMap()},
        {bg, QStringList{"#336699", "#336699"}, black},
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
        {QStringLiteral("BackgroundMode"), [&] { return QVariant(settings.backgroundMode()); }},
        {QStringLiteral("PanelVisible"), [&] { return QVariant(settings.panelVisible()); }},
        {QStringLiteral("SavedFolders"), [&] { return QVariant(settings.savedFolders()); }},
        {QStringLiteral("CCNPreferencesWindowFrameAutoSaveName"),
         [&] { return QVariant(settings.preferencesFrame()); }},
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

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A preferences file as damage or a hand edit leaves it.
class DamagedSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { SettingsFile::reset(); }
    void TearDown() override { SettingsFile::reset(); }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Ovisto.conf"));
    const QString backup = path + QStringLiteral(".bak");
};

// What can still be read is, anything else reads as its default; the first write keeps a copy
// of a damaged file's bytes, and what the file held and Qt could read stays in it.
TEST_F(DamagedSettingsTest, ReadableKeysStayAndADamagedFileIsCopiedFirst) {
    struct Case {
        const char* name;
        QByteArray bytes;
        bool damaged;
        int zooming, window, delay;
        bool panel;
    };
    const QByteArray nul =
        QByteArray("[General]\nZoomingMode=2\nWindowMode=1") + '\0' + "junk\nPanelVisible=true\n";
    // clang-format off
    const Case cases[] = {
        {"sound", "[General]\nZoomingMode=2\nWindowMode=1\nSlideshowDelay=7\nPanelVisible=true\n",
         false, 2, 1, 7, true},
        {"no last newline", "[General]\nZoomingMode=2\nPanelVisible=true", false, 2, 0, 10, true},
        {"CR LF", "[General]\r\nZoomingMode=3\r\nSlideshowDelay=20\r\n", false, 3, 0, 20, false},
        {"long line", "[General]\nZoomingMode=1\nNote=" + QByteArray(300000, 'x') + "\n",
         false, 1, 0, 10, false},
        {"garbage", "\x89PNG\r\n\x1a\n\xff\xd8[General]\nZoomingMode=2\n", true, 2, 0, 10, false},
        {"cut in a key", "[General]\nZoomingMode=2\nSlideshowDel", true, 2, 0, 10, false},
        {"cut in a section", "[General]\nWindowMode=1\n[Gro", true, 0, 1, 10, false},
        {"cut in a value", "[General]\nZoomingMode=2\nBackgroundColor=#33", false, 2, 0, 10, false},
        {"cut in a typed value", "[General]\nZoomingMode=2\nSavedFolders=@Variant(\\0\\0\\0\\b\\0",
         true, 2, 0, 10, false},
        {"cut in a quote", "[General]\nWindowMode=1\nNote=\"cut\nZoomingMode=2\n",
         true, 0, 1, 10, false},
        {"cut in an escape", "[General]\nWindowMode=1\nNote=a\\", true, 0, 1, 10, false},
        {"NUL", nul, true, 2, 0, 10, true},
        {"not UTF-8", "[General]\nZoomingMode=2\nNote=\xc3\x28\n", true, 2, 0, 10, false},
        {"wrong types", "[General]\nZoomingMode=a, b\nWindowMode=@Size(1 2)\nSlideshowDelay=soon\n"
         "PanelVisible=@Rect(0 0 1 1)\nBackgroundColor=1, 2\nSavedFolders=text\n", false, 0, 0, 10, false},
        {"out of range", "[General]\nZoomingMode=9\nWindowMode=-3\nSlideshowDelay=1000000000\n"
         "PanelVisible=nan\n", false, 0, 0, 10, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(backup);
        ASSERT_TRUE(put(path, c.bytes));
        EXPECT_EQ(SettingsFile::damage(c.bytes).isEmpty(), !c.damaged)
            << SettingsFile::damage(c.bytes).toStdString();
        {
            QSettings store(path, QSettings::IniFormat);
            Settings settings(store);
            const auto reads = [&] {
                EXPECT_EQ(settings.zoomingMode(), c.zooming);
                EXPECT_EQ(settings.windowMode(), c.window);
                EXPECT_EQ(settings.slideshowDelay(), c.delay);
                EXPECT_EQ(settings.panelVisible(), c.panel);
                EXPECT_EQ(settings.backgroundColor(), QColor(Qt::black));
                EXPECT_TRUE(settings.savedFolders().isEmpty());
            };
            reads();
            settings.setValue(Settings::HistogramType, 1);
            reads();
        }
        EXPECT_EQ(QFile::exists(backup), c.damaged);
        if (c.damaged) {
            EXPECT_EQ(bytesOf(backup), c.bytes);
        }
        const QByteArray rewritten = bytesOf(path);
        EXPECT_TRUE(SettingsFile::damage(rewritten).isEmpty()) << rewritten.left(200).data();
        QSettings again(path, QSettings::IniFormat);
        EXPECT_EQ(Settings(again).zoomingMode(), c.zooming);
        EXPECT_EQ(Settings(again).histogramType(), 1);
    }
}

// The copy is the user's original: later writes leave it, and another damaged file is then
// left alone rather than written over without a copy of its own.
TEST_F(DamagedSettingsTest, TheCopyIsMadeOnceAndNeverReplaced) {
    const QByteArray first = "[General]\nZoomingMode=2\nbroken\n", second = "[Gen";
    ASSERT_TRUE(put(path, first));
    QSettings store(path, QSettings::IniFormat);
    Settings settings(store);
    settings.setValue(Settings::WindowMode, 1);
    settings.setValue(Settings::WindowMode, 0);
    EXPECT_EQ(bytesOf(backup), first);
    ASSERT_TRUE(put(path, first)); // the same damage again: the copy is already there
    settings.setValue(Settings::BackgroundMode, 1);
    EXPECT_NE(bytesOf(path), first);
    ASSERT_TRUE(put(path, second));
    settings.setValue(Settings::BackgroundMode, 2);
    EXPECT_EQ(bytesOf(path), second);
    EXPECT_EQ(bytesOf(backup), first);
    EXPECT_EQ(settings.backgroundMode(), 2) << "held for the session";
}

// A place that takes no file: the write fails once in the log, the values live on in memory,
// and nothing half written is left. Root writes into read-only files, so that row runs only
// for a user.
TEST_F(DamagedSettingsTest, AnUnwritablePlaceKeepsTheValuesInMemory) {
    static int warnings = 0;
    warnings = 0;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            warnings += type == QtWarningMsg;
        });
    const QString readOnlyFile = dir.filePath(QStringLiteral("locked/Ovisto.conf"));
    QDir().mkpath(dir.filePath(QStringLiteral("locked")));
    ASSERT_TRUE(put(readOnlyFile, "[General]\nZoomingMode=1\n"));
    QFile::setPermissions(readOnlyFile, QFileDevice::ReadOwner);
    const QString tooLarge = dir.filePath(QStringLiteral("large/Ovisto.conf"));
    QDir().mkpath(dir.filePath(QStringLiteral("large")));
    ASSERT_TRUE(put(tooLarge, "[General]\nNote=" + QByteArray(SettingsFile::maximumBytes, 'x')));
    const struct {
        QString path;
        bool needsUser;
    } places[] = {{QStringLiteral("/proc/ovisto-none/Ovisto.conf"), false},
                  {readOnlyFile, true},
                  {tooLarge, false}};
    for (const auto& place : places) {
        SCOPED_TRACE(place.path.toStdString());
        if (place.needsUser && ::geteuid() == 0)
            continue;
        warnings = 0;
        const QByteArray before = bytesOf(place.path);
        const QStringList entries = QFileInfo(place.path).dir().entryList(QDir::Files);
        {
            QSettings store(place.path, QSettings::IniFormat);
            Settings settings(store);
            settings.setValue(Settings::ZoomingMode, 2);
            settings.setValue(Settings::WindowMode, 1);
            EXPECT_EQ(settings.zoomingMode(), 2);
        }
        QSettings again(place.path, QSettings::IniFormat);
        EXPECT_EQ(Settings(again).windowMode(), 1);
        EXPECT_EQ(warnings, 1);
        EXPECT_EQ(bytesOf(place.path), before);
        EXPECT_EQ(QFileInfo(place.path).dir().entryList(QDir::Files), entries);
    }
    qInstallMessageHandler(previous);
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
