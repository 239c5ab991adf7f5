#include "app/CCNPreferencesWindow.h"
#include "app/CCNPreferencesWindowController.h"
#include "app/GrantAccessChooser.h"
#include "app/PreferencesAccessViewController.h"
#include "app/PreferencesGeneralViewController.h"
#include "core/NotificationCenter.h"
#include "core/Settings.h"
#include "menus/CLColorPicker.h"
#include "platform/FolderListing.h"
#include "platform/Workspace.h"
#include "viewer/FolderGrants.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <cerrno>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace {

class PreferencesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings().clear();
        QObject::connect(&NotificationCenter::defaultCenter(), &NotificationCenter::posted,
                         &counter, [this](const QString& name) { posted.append(name); });
    }
    void TearDown() override {
        FolderListing::setLister({});
        FolderGrants::setChooser({});
        QSettings().clear();
    }
    static void store(const char* key, const QVariant& value) {
        QSettings().setValue(QString::fromLatin1(key), value);
    }
    static QVariant stored(const char* key) { return QSettings().value(QString::fromLatin1(key)); }
    template <typename T> static T* control(QWidget* pane, const char* name) {
        return pane->findChild<T*>(QString::fromLatin1(name));
    }

    QObject counter;
    QStringList posted;
};

using GeneralPane = PreferencesTest;

// How stored values read is Settings' rule; the pane shows what it reads when shown and on
// "updateStates" (not "updateUI"), a refresh writes nothing but the colour it shows, and each
// choice is stored at once.
TEST_F(GeneralPane, ShowsTheStoreARefreshStoresOnlyTheColourShownAndEachChoiceAtOnce) {
    PreferencesGeneralViewController pane;
    auto expectShown = [&](const char* zoom, const char* window, const char* delay, bool asking,
                           int background, const char* colour) {
        for (const char* name : {zoom, window})
            EXPECT_TRUE(control<QRadioButton>(&pane, name)->isChecked()) << name;
        EXPECT_EQ(control<QLabel>(&pane, "labelDelay")->text(), QLatin1String(delay));
        EXPECT_EQ(control<QCheckBox>(&pane, "folderAccess")->isChecked(), asking);
        EXPECT_EQ(control<QComboBox>(&pane, "windowBackground")->currentIndex(), background);
        EXPECT_EQ(control<CLColorPicker>(&pane, "colorPicker")->isVisible(), background == 1);
        EXPECT_EQ(stored(Settings::BackgroundColor).toString(), QLatin1String(colour));
    };
    pane.show();
    expectShown("zoomMode1", "windowMode1", "10 sec", true, 0, "#000000");
    EXPECT_EQ(QSettings().allKeys(), QStringList{QLatin1String(Settings::BackgroundColor)});
    const std::pair<const char*, QVariant> values[] = {
        {Settings::SlideshowDelay, 7.6}, {Settings::WindowMode, 2},
        {Settings::ZoomingMode, 3},      {Settings::FolderAccess, 1},
        {Settings::BackgroundMode, 1},   {Settings::BackgroundColor, "crimson"}};
    for (const auto& [key, value] : values)
        store(key, value);
    NotificationCenter::defaultCenter().post(QStringLiteral("updateUI"));
    EXPECT_TRUE(control<QRadioButton>(&pane, "zoomMode1")->isChecked()) << "updateUI is no refresh";
    posted.clear();
    NotificationCenter::defaultCenter().post(QStringLiteral("updateStates"));
    expectShown("zoomMode4", "windowMode2", "7 sec", false, 1, "#000000");
    EXPECT_TRUE(posted.contains(QStringLiteral("updateUI"))) << "the colour stored is announced";
    for (const auto& [key, value] : values) // a refresh never writes them
        EXPECT_TRUE(key == Settings::BackgroundColor || stored(key) == value) << key;
    store(Settings::BackgroundColor, QStringLiteral("#1a2b3c"));
    store(Settings::BackgroundMode, 2);
    pane.updateStates();
    expectShown("zoomMode4", "windowMode2", "7 sec", false, 2, "#1A2B3C");

    // Each choice is stored at once.
    QSettings().clear();
    pane.updateStates();
    auto expectStored = [&](const char* key, const char* value, bool announced) {
        EXPECT_EQ(stored(key).toString(), QLatin1String(value)) << key;
        EXPECT_EQ(posted, announced ? QStringList{QStringLiteral("updateUI")} : QStringList())
            << key;
        posted.clear();
    };
    posted.clear();
    control<QRadioButton>(&pane, "zoomMode4")->click();
    expectStored(Settings::ZoomingMode, "3", false); // it reaches new windows only
    control<QRadioButton>(&pane, "windowMode2")->click();
    expectStored(Settings::WindowMode, "1", true);
    QSlider* delay = control<QSlider>(&pane, "slideshowDelay");
    QTest::keyClick(delay, Qt::Key_Home);
    expectStored(Settings::SlideshowDelay, "5", true);
    // Dragged: the label follows every step, the delay is stored and announced once, on release.
    delay->setSliderDown(true);
    for (int step = 6; step <= 30; ++step)
        delay->setSliderPosition(step);
    EXPECT_EQ(control<QLabel>(&pane, "labelDelay")->text(), QStringLiteral("30 sec"));
    expectStored(Settings::SlideshowDelay, "5", false);
    delay->setSliderDown(false);
    expectStored(Settings::SlideshowDelay, "30", true);
    control<QCheckBox>(&pane, "folderAccess")->click();
    expectStored(Settings::FolderAccess, "1", false);

    QComboBox* background = control<QComboBox>(&pane, "windowBackground");
    CLColorPicker* picker = control<CLColorPicker>(&pane, "colorPicker");
    for (int mode : {1, 2}) {
        QTest::keyClick(background, Qt::Key_Down);
        expectStored(Settings::BackgroundMode, mode == 1 ? "1" : "2", true);
        EXPECT_EQ(picker->isVisible(), mode == 1);
    }
    picker->selectedSegment(0);
    for (CLColorSwatchButton* swatch : picker->popover()->buttons()) {
        if (Settings::hexString(swatch->color()) == QLatin1String("#333333"))
            swatch->click();
    }
    expectStored(Settings::BackgroundColor, "#333333", true);
}

using AccessPane = PreferencesTest;

// Which folder is a grant is FolderGrants' rule; the pane lists, adds through the chooser (with
// no starting folder), removes the selected one and tells whether the home folder lists.
TEST_F(AccessPane, ListsAddsRemovesAndReportsAccess) {
    QTemporaryDir dir;
    const QString home = QString::fromLocal8Bit(getpwuid(getuid())->pw_dir);
    const QString chosen = dir.filePath(QStringLiteral("chosen"));
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QDir().mkpath(chosen);
    QDir().mkpath(locked);
    FolderListing::setLister([&](const QString& folder) -> FolderListing::Result {
        if (folder == home || folder == locked)
            return {std::nullopt, EACCES};
        return FolderListing::listFileSystem(folder);
    });
    std::optional<QString> answer = locked;
    QStringList asked;
    FolderGrants::setChooser([&](const QString& folder) {
        asked.append(folder);
        return answer;
    });
    store(Settings::FolderAccess, 1);
    PreferencesAccessViewController pane;
    pane.show();
    QCheckBox* asking = control<QCheckBox>(&pane, "folderAccess");
    QListWidget* table = control<QListWidget>(&pane, "foldersTable");
    QToolButton* remove = control<QToolButton>(&pane, "folderRemove");
    QLabel* label = control<QLabel>(&pane, "folderAccessLabel");
    EXPECT_FALSE(asking->isChecked());
    EXPECT_EQ(QSettings().allKeys(), QStringList{QLatin1String(Settings::FolderAccess)})
        << "showing the pane writes nothing";
    EXPECT_EQ(label->text(), QStringLiteral("No access"));
    asking->click();
    EXPECT_EQ(stored(Settings::FolderAccess).toInt(), 0);

    control<QToolButton>(&pane, "folderAdd")->click();
    EXPECT_EQ(asked, QStringList({QString()}));
    EXPECT_TRUE(pane.savedUrlsArray().isEmpty()) << "a folder that cannot be listed is no grant";
    answer = chosen;
    control<QToolButton>(&pane, "folderAdd")->click();
    EXPECT_EQ(pane.savedUrlsArray(), QStringList({chosen}));
    EXPECT_EQ(table->count(), 1);
    table->setCurrentRow(0);
    EXPECT_TRUE(remove->isEnabled());
    table->clearSelection(); // the row stays current
    EXPECT_FALSE(remove->isEnabled());
    pane.addRemove(PreferencesAccessViewController::removeSegment);
    ASSERT_EQ(FolderGrants().folders(), QStringList({chosen}))
        << "nothing selected, nothing removed";
    table->item(0)->setSelected(true);
    remove->click();
    EXPECT_TRUE(FolderGrants().folders().isEmpty());
    EXPECT_EQ(table->count(), 0);

    FolderListing::setLister({});
    NotificationCenter::defaultCenter().post(QStringLiteral("updateStates"));
    EXPECT_EQ(label->text(), QStringLiteral("Access granted"));
}

using PreferencesWindow = PreferencesTest;

struct Window {
    Window() {
        controller.setCenterToolbarItems(false);
        controller.setPreferencesViewControllers({general, access});
    }
    CCNPreferencesWindowController controller;
    PreferencesGeneralViewController* general = new PreferencesGeneralViewController;
    PreferencesAccessViewController* access = new PreferencesAccessViewController;
};

void finish(QAbstractAnimation* animation) {
    if (animation)
        animation->setCurrentTime(animation->totalDuration());
}

TEST_F(PreferencesWindow, SwitchesKeepTheTopEdgeTabReachesEveryControlAndTheFrameIsKept) {
    Window w;
    QWidget* window = w.controller.window();
    auto pick = [&](const char* pane) {
        w.controller.toolbarItemAction(QLatin1String("preferences%1ViewController").arg(pane));
    };
    w.controller.showPreferencesWindow();
    const QRect start = window->geometry();
    EXPECT_EQ(w.controller.activeViewController(), w.general);
    pick("General");
    EXPECT_FALSE(w.controller.runningAnimation()) << "the pane shown: nothing happens";
    pick("Access");
    const QPointer<QAbstractAnimation> first = w.controller.runningAnimation();
    ASSERT_TRUE(first);
    // Back to General before the first switch has ended: that choice wins.
    pick("General");
    finish(w.controller.runningAnimation());
    // Time passes for whatever still runs: the first switch must not end on its own pane.
    if (first && first->state() == QAbstractAnimation::Running)
        finish(first);
    EXPECT_EQ(w.controller.activeViewController(), w.general);
    const auto checkedPane = [window] {
        for (QAction* item : window->findChild<QToolBar*>()->actions())
            if (item->isChecked())
                return item->text();
        return QString();
    };
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Preferences"));
    EXPECT_EQ(checkedPane(), QStringLiteral("General"));
    EXPECT_EQ(window->geometry(), start);
    pick("Access");
    finish(w.controller.runningAnimation());
    EXPECT_EQ(checkedPane(), QStringLiteral("Folder Access"));
    EXPECT_EQ(window->geometry().topLeft(), start.topLeft());
    EXPECT_EQ(w.access->graphicsEffect(), nullptr) << "fully shown";

    QTest::keyClick(window, Qt::Key_A);
    EXPECT_TRUE(window->isVisible()) << "other keys go on as usual";
    // Escape reaches the window from the control that has the focus.
    QTest::keyClick(control<QListWidget>(w.access, "foldersTable"), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    store(Settings::BackgroundMode, 1); // the colour control is shown
    w.controller.showPreferencesWindow();
    EXPECT_EQ(w.controller.activeViewController(), w.general);
    EXPECT_TRUE(w.general->isVisible());
    EXPECT_FALSE(w.access->isVisible());

    QApplication::setActiveWindow(window);
    QRadioButton* fit = control<QRadioButton>(w.general, "zoomMode1");
    fit->setFocus();
    QSet<QString> reached;
    for (int i = 0; i < 40; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        reached.insert(focus->objectName());
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    for (const char* name : {"zoomMode1", "windowMode1", "slideshowDelay", "folderAccess",
                             "windowBackground", "colorPicker"})
        EXPECT_TRUE(reached.contains(QString::fromLatin1(name))) << name;
    // Within a group the arrow keys move the choice, and that is stored.
    fit->setFocus();
    QTest::keyClick(fit, Qt::Key_Down);
    EXPECT_TRUE(control<QRadioButton>(w.general, "zoomMode2")->isChecked());
    EXPECT_EQ(stored(Settings::ZoomingMode).toInt(), 1);

    // Reopened where the user left it; saved on a screen that is no longer there, on this one.
    window->move(window->pos() + QPoint(37, 23));
    const QPoint moved = window->geometry().topLeft();
    Window again;
    again.controller.showPreferencesWindow();
    EXPECT_EQ(again.controller.window()->geometry().topLeft(), moved);
    store(CCNPreferencesWindowController::FrameKey, QRect(-9000, -9000, 420, 300));
    Window lost;
    lost.controller.showPreferencesWindow();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(lost.controller.window()->geometry().topLeft()));
}

// Beside the folder with it selected, with the privacy accessory; through the portal it is the
// desktop's own chooser, for Qt's own dialog inside a sandbox shows only the sandbox.
TEST(GrantAccessChooser, StartsBesideTheFolderWithItSelectedOrIsTheDesktopsThroughThePortal) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Pictures"));
    QDir().mkpath(folder);
    for (bool portal : {false, true}) {
        SCOPED_TRACE(portal);
        const auto dialog = GrantAccessChooser::makeDialog(folder, portal);
        EXPECT_EQ(dialog->testOption(QFileDialog::DontUseNativeDialog), !portal);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_EQ(dialog->labelText(QFileDialog::Accept), QStringLiteral("Grant Access"));
        auto* privacy = dialog->findChild<QPushButton*>(QStringLiteral("systemPreferences"));
        EXPECT_EQ(privacy != nullptr, !portal) << "the accessory is part of our own dialog";
        if (portal)
            continue;
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        dialog->show();
        ASSERT_EQ(dialog->selectedFiles().size(), 1);
        EXPECT_EQ(QDir(dialog->selectedFiles().first()).canonicalPath(),
                  QDir(folder).canonicalPath());
        EXPECT_EQ(privacy->isVisible(), Workspace::canOpenPrivacySettings())
            << "hidden where the desktop has no privacy settings";
    }
}

} // namespace
