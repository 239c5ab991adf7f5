#include "app/CCNPreferencesWindow.h"
#include "app/CCNPreferencesWindowController.h"
#include "app/PreferencesAccessViewController.h"
#include "app/PreferencesGeneralViewController.h"
#include "core/NotificationCenter.h"
#include "core/Settings.h"
#include "menus/CLColorPicker.h"
#include "platform/FolderListing.h"
#include "viewer/FolderGrants.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
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

TEST_F(GeneralPane, AnEmptyStoreShowsTheDefaults) {
    PreferencesGeneralViewController pane;
    pane.show();
    EXPECT_TRUE(control<QRadioButton>(&pane, "zoomMode1")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&pane, "windowMode1")->isChecked());
    EXPECT_FALSE(control<QRadioButton>(&pane, "windowMode2")->isChecked());
    EXPECT_EQ(control<QSlider>(&pane, "slideshowDelay")->value(), 10);
    EXPECT_EQ(control<QLabel>(&pane, "labelDelay")->text(), QStringLiteral("10 sec"));
    EXPECT_TRUE(control<QCheckBox>(&pane, "folderAccess")->isChecked());
    EXPECT_EQ(control<QComboBox>(&pane, "windowBackground")->currentIndex(), 0);
    EXPECT_FALSE(control<CLColorPicker>(&pane, "colorPicker")->isVisible());
    // The colour control's setting is its action: the colour shown is stored.
    EXPECT_EQ(stored(Settings::BackgroundColor).toString(), QStringLiteral("#000000"));
    for (const char* untouched :
         {Settings::ZoomingMode, Settings::WindowMode, Settings::SlideshowDelay,
          Settings::FolderAccess, Settings::BackgroundMode})
        EXPECT_FALSE(QSettings().contains(QString::fromLatin1(untouched))) << untouched;
}

// How stored values read is Settings' rule; the pane shows what it reads, refreshes on
// "updateStates" (not "updateUI") and writes nothing while doing so.
TEST_F(GeneralPane, RefreshingShowsTheStoredValuesAndWritesNothing) {
    store(Settings::SlideshowDelay, 4.9);
    store(Settings::WindowMode, 2);
    store(Settings::ZoomingMode, 3);
    store(Settings::FolderAccess, 1);
    PreferencesGeneralViewController pane;
    pane.show();
    EXPECT_EQ(control<QSlider>(&pane, "slideshowDelay")->value(), 10) << "4.9 waits 10 seconds";
    EXPECT_TRUE(control<QRadioButton>(&pane, "windowMode2")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&pane, "zoomMode4")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(&pane, "folderAccess")->isChecked());

    store(Settings::SlideshowDelay, 7.6);
    store(Settings::ZoomingMode, 1);
    NotificationCenter::defaultCenter().post(QStringLiteral("updateUI"));
    EXPECT_TRUE(control<QRadioButton>(&pane, "zoomMode4")->isChecked());
    NotificationCenter::defaultCenter().post(QStringLiteral("updateStates"));
    EXPECT_TRUE(control<QRadioButton>(&pane, "zoomMode2")->isChecked());
    EXPECT_EQ(control<QLabel>(&pane, "labelDelay")->text(), QStringLiteral("7 sec"));
    EXPECT_DOUBLE_EQ(stored(Settings::SlideshowDelay).toDouble(), 7.6) << "a refresh never writes";
    EXPECT_EQ(stored(Settings::WindowMode).toInt(), 2);
}

TEST_F(GeneralPane, EachChoiceIsStoredAtOnce) {
    PreferencesGeneralViewController pane;
    pane.show();
    posted.clear();
    control<QRadioButton>(&pane, "zoomMode4")->click();
    EXPECT_EQ(stored(Settings::ZoomingMode).toInt(), 3);
    EXPECT_TRUE(posted.isEmpty()) << "the zoom mode reaches new windows only";

    control<QRadioButton>(&pane, "windowMode2")->click();
    EXPECT_EQ(stored(Settings::WindowMode).toInt(), 1);
    EXPECT_EQ(posted, QStringList({QStringLiteral("updateUI")}));

    QSlider* delay = control<QSlider>(&pane, "slideshowDelay");
    QTest::keyClick(delay, Qt::Key_Home);
    EXPECT_EQ(stored(Settings::SlideshowDelay).toDouble(), 5.0);
    EXPECT_EQ(control<QLabel>(&pane, "labelDelay")->text(), QStringLiteral("5 sec"));
    // Dragged: the label follows every step, the delay is stored and announced once, on release.
    posted.clear();
    delay->setSliderDown(true);
    for (int step = 6; step <= 30; ++step)
        delay->setSliderPosition(step);
    EXPECT_EQ(control<QLabel>(&pane, "labelDelay")->text(), QStringLiteral("30 sec"));
    EXPECT_TRUE(posted.isEmpty());
    delay->setSliderDown(false);
    EXPECT_EQ(stored(Settings::SlideshowDelay).toDouble(), 30.0);
    EXPECT_EQ(posted, QStringList({QStringLiteral("updateUI")}));

    control<QCheckBox>(&pane, "folderAccess")->click();
    EXPECT_EQ(stored(Settings::FolderAccess).toInt(), 1);

    QComboBox* background = control<QComboBox>(&pane, "windowBackground");
    CLColorPicker* picker = control<CLColorPicker>(&pane, "colorPicker");
    QTest::keyClick(background, Qt::Key_Down);
    EXPECT_EQ(stored(Settings::BackgroundMode).toInt(), 1);
    EXPECT_TRUE(picker->isVisible());
    QTest::keyClick(background, Qt::Key_Down);
    EXPECT_EQ(stored(Settings::BackgroundMode).toInt(), 2);
    EXPECT_FALSE(picker->isVisible());
    QTest::keyClick(background, Qt::Key_Up);

    picker->selectedSegment(0);
    for (CLColorSwatchButton* swatch : picker->popover()->buttons()) {
        if (Settings::hexString(swatch->color()) == QLatin1String("#333333"))
            swatch->click();
    }
    EXPECT_EQ(stored(Settings::BackgroundColor).toString(), QStringLiteral("#333333"));
}

TEST_F(GeneralPane, TheColourIsReadAsHexOnlyAndTheRefreshStoresIt) {
    PreferencesGeneralViewController pane;
    CLColorPicker* picker = control<CLColorPicker>(&pane, "colorPicker");
    // Seven characters, and a colour name Qt knows: not a colour of the store.
    store(Settings::BackgroundColor, QStringLiteral("crimson"));
    pane.show();
    EXPECT_EQ(picker->selectedColor(), QColor(Qt::black));
    EXPECT_EQ(stored(Settings::BackgroundColor).toString(), QStringLiteral("#000000"));
    EXPECT_TRUE(posted.contains(QStringLiteral("updateUI")));

    store(Settings::BackgroundColor, QStringLiteral("#1a2b3c"));
    pane.updateStates();
    EXPECT_EQ(picker->selectedColor(), QColor(0x1a, 0x2b, 0x3c));
    EXPECT_EQ(stored(Settings::BackgroundColor).toString(), QStringLiteral("#1A2B3C"));
}

using AccessPane = PreferencesTest;

TEST_F(AccessPane, ListsRemovesAndReportsAccess) {
    QTemporaryDir dir;
    const QString granted = dir.filePath(QStringLiteral("granted"));
    QDir().mkpath(granted);
    ASSERT_TRUE(FolderGrants().addGrant(granted));
    PreferencesAccessViewController pane;
    pane.show();
    QListWidget* table = control<QListWidget>(&pane, "foldersTable");
    QToolButton* remove = control<QToolButton>(&pane, "folderRemove");
    EXPECT_EQ(pane.savedUrlsArray(), QStringList({granted}));
    EXPECT_FALSE(remove->isEnabled());
    pane.addRemove(PreferencesAccessViewController::removeSegment);
    EXPECT_EQ(FolderGrants().folders(), QStringList({granted}))
        << "nothing selected, nothing removed";

    table->setCurrentRow(0);
    EXPECT_TRUE(remove->isEnabled());
    remove->click();
    EXPECT_TRUE(FolderGrants().folders().isEmpty());
    EXPECT_EQ(table->count(), 0);
    EXPECT_EQ(control<QLabel>(&pane, "folderAccessLabel")->text(),
              QStringLiteral("Access granted"));
}

TEST_F(AccessPane, AsksOnlyAsToldAndAddsWhatCanBeListed) {
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
    EXPECT_FALSE(asking->isChecked());
    EXPECT_EQ(stored(Settings::FolderAccess).toInt(), 1) << "showing the pane writes nothing";
    EXPECT_FALSE(QSettings().contains(QString::fromLatin1(Settings::SavedFolders)));
    EXPECT_EQ(control<QLabel>(&pane, "folderAccessLabel")->text(), QStringLiteral("No access"));
    asking->click();
    EXPECT_EQ(stored(Settings::FolderAccess).toInt(), 0);

    // The add button asks with no starting folder; a folder that cannot be listed is no grant.
    control<QToolButton>(&pane, "folderAdd")->click();
    EXPECT_EQ(asked, QStringList({QString()}));
    EXPECT_TRUE(pane.savedUrlsArray().isEmpty());
    answer = chosen;
    control<QToolButton>(&pane, "folderAdd")->click();
    EXPECT_EQ(pane.savedUrlsArray(), QStringList({chosen}));
    EXPECT_EQ(control<QListWidget>(&pane, "foldersTable")->count(), 1);

    FolderListing::setLister({});
    FolderGrants::setChooser({});
    NotificationCenter::defaultCenter().post(QStringLiteral("updateStates"));
    EXPECT_EQ(control<QLabel>(&pane, "folderAccessLabel")->text(),
              QStringLiteral("Access granted"));
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

TEST_F(PreferencesWindow, OpensOnGeneralEveryTimeAndEscapeOnlyHidesIt) {
    Window w;
    EXPECT_EQ(w.controller.toolbarDefaultItemIdentifiers(),
              QStringList({QStringLiteral("preferencesGeneralViewController"),
                           QStringLiteral("preferencesAccessViewController")}));
    w.controller.showPreferencesWindow();
    EXPECT_EQ(w.controller.activeViewController(), w.general);
    EXPECT_EQ(w.controller.window()->windowTitle(), QStringLiteral("General"));
    w.controller.toolbarItemAction(QStringLiteral("preferencesAccessViewController"));
    finish(w.controller.runningAnimation());
    EXPECT_EQ(w.controller.window()->windowTitle(), QStringLiteral("Folder Access"));

    QTest::keyClick(w.controller.window(), Qt::Key_A);
    EXPECT_TRUE(w.controller.window()->isVisible()) << "other keys go on as usual";
    // Escape reaches the window from the control that has the focus.
    QTest::keyClick(control<QListWidget>(w.access, "foldersTable"), Qt::Key_Escape);
    EXPECT_FALSE(w.controller.window()->isVisible());

    w.controller.showPreferencesWindow();
    EXPECT_EQ(w.controller.activeViewController(), w.general);
    EXPECT_TRUE(w.general->isVisible());
    EXPECT_FALSE(w.access->isVisible());
}

TEST_F(PreferencesWindow, SwitchesKeepTheTopEdgeAndTheLastChoice) {
    Window w;
    w.controller.showPreferencesWindow();
    const QRect start = w.controller.window()->geometry();
    w.controller.toolbarItemAction(QStringLiteral("preferencesGeneralViewController"));
    EXPECT_FALSE(w.controller.runningAnimation()) << "the pane shown: nothing happens";

    w.controller.toolbarItemAction(QStringLiteral("preferencesAccessViewController"));
    const QPointer<QAbstractAnimation> first = w.controller.runningAnimation();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->totalDuration(), 250);
    // Back to General before the first switch has ended: that choice wins.
    w.controller.toolbarItemAction(QStringLiteral("preferencesGeneralViewController"));
    finish(w.controller.runningAnimation());
    // Time passes for whatever still runs: the first switch must not end on its own pane.
    if (first && first->state() == QAbstractAnimation::Running)
        finish(first);
    EXPECT_EQ(w.controller.activeViewController(), w.general);
    EXPECT_EQ(w.controller.window()->windowTitle(), QStringLiteral("General"));
    EXPECT_EQ(w.controller.window()->geometry(), start);

    w.controller.toolbarItemAction(QStringLiteral("preferencesAccessViewController"));
    finish(w.controller.runningAnimation());
    const QRect access = w.controller.window()->geometry();
    EXPECT_EQ(access.top(), start.top());
    EXPECT_EQ(access.left(), start.left());
    EXPECT_EQ(w.access->graphicsEffect(), nullptr) << "fully shown";
}

TEST_F(PreferencesWindow, TabReachesEveryControlOfThePane) {
    store(Settings::BackgroundMode, 1); // the colour control is shown
    Window w;
    w.controller.showPreferencesWindow();
    QWidget* window = w.controller.window();
    QApplication::setActiveWindow(window);
    control<QRadioButton>(w.general, "zoomMode1")->setFocus();
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
    QRadioButton* fit = control<QRadioButton>(w.general, "zoomMode1");
    fit->setFocus();
    QTest::keyClick(fit, Qt::Key_Down);
    EXPECT_TRUE(control<QRadioButton>(w.general, "zoomMode2")->isChecked());
    EXPECT_EQ(stored(Settings::ZoomingMode).toInt(), 1);
}

TEST_F(PreferencesWindow, ReopensWhereTheUserLeftIt) {
    QRect moved;
    {
        Window w;
        w.controller.showPreferencesWindow();
        w.controller.window()->move(w.controller.window()->pos() + QPoint(37, 23));
        moved = w.controller.window()->geometry();
        w.controller.dismissPreferencesWindow();
    }
    Window again;
    again.controller.showPreferencesWindow();
    EXPECT_EQ(again.controller.window()->geometry().topLeft(), moved.topLeft());

    // Saved on a screen that is no longer there: the window comes back onto this one.
    store(CCNPreferencesWindowController::FrameKey, QRect(-9000, -9000, 420, 300));
    Window lost;
    lost.controller.showPreferencesWindow();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(lost.controller.window()->geometry().topLeft()));
}

} // namespace
