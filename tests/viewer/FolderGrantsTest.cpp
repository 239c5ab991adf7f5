#include "viewer/FolderGrants.h"
#include "core/NotificationCenter.h"
#include "core/Settings.h"
#include "platform/DocumentPortal.h"
#include "platform/FolderBookmark.h"
#include "platform/FolderListing.h"
#include "viewer/ImageCollection.h"
#include "viewer/ViewerDocument.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

TEST(FolderGrantCover, MatchesWholePathComponentsOnly) {
    const struct {
        const char *grant, *folder;
        bool covers;
    } cases[] = {{"/A/B", "/A/B/C", true},   {"/A/B/", "/A/B", true},  {"/", "/A", true},
                 {"/A/Bx", "/A/B/C", false}, {"/A/B", "/A/Bx", false}, // a prefix is no ancestor
                 {"/A/B/C", "/A/B", false},  {"", "/A", false}};
    for (const auto& c : cases)
        EXPECT_EQ(FolderGrants::covers(QLatin1String(c.grant), QLatin1String(c.folder)), c.covers)
            << c.grant << " " << c.folder;
    EXPECT_EQ(FolderGrants::remainderBelow(QStringLiteral("/A/B"), QStringLiteral("/A/B/C/D")),
              QStringLiteral("C/D"));
    EXPECT_EQ(FolderGrants::remainderBelow(QStringLiteral("/A/B"), QStringLiteral("/A/B")),
              QString());
    // Removing every occurrence of the key would leave "/C" here.
    EXPECT_EQ(FolderGrants::remainderBelow(QStringLiteral("/A"), QStringLiteral("/A/A/C")),
              QStringLiteral("A/C"));
}

// Folders on disk, with a file system that refuses to list some of them, in
// a sandbox whose document portal answers unless a test says otherwise.
class FolderGrantsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QSettings().clear();
        DocumentPortal::setProbe([this] { return portal; });
        FolderListing::setLister([this](const QString& folder) -> FolderListing::Result {
            ++listings;
            const QString key = QDir::cleanPath(folder);
            if (refused.contains(key))
                return {std::nullopt, EACCES};
            // Access started for a grant: the second listing goes through.
            if (refusedOnce.remove(key))
                return {std::nullopt, EPERM};
            return FolderListing::listFileSystem(folder);
        });
        FolderGrants::setChooser([this](const QString& folder) -> std::optional<QString> {
            asked.append(folder);
            return answer;
        });
    }
    void TearDown() override {
        FolderListing::setLister({});
        FolderGrants::setChooser({});
        DocumentPortal::setProbe({});
        QSettings().clear();
    }
    QString make(const QString& relative, const QStringList& images = {}) {
        const QString folder = dir.filePath(relative);
        QDir().mkpath(folder);
        for (const QString& name : images) {
            QFile file(folder + QLatin1Char('/') + name);
            file.open(QIODevice::WriteOnly);
        }
        return folder;
    }
    void grant(const QString& key, const QString& folder) {
        QVariantMap grants = Settings().savedFolders();
        grants.insert(key, FolderBookmark::create(folder).value());
        Settings().setValue(Settings::SavedFolders, grants);
    }
    static QStringList names(const std::optional<QStringList>& list) {
        QStringList result;
        for (const QString& path : list.value_or(QStringList()))
            result.append(ImageCollection::lastPathComponent(path));
        return result;
    }

    QTemporaryDir dir;
    QSet<QString> refused, refusedOnce;
    QStringList asked;
    std::optional<QString> answer;
    int listings = 0;
    bool portal = true;
};

TEST_F(FolderGrantsTest, ThroughALinkedGrantTheOpenedPathsAreKept) {
    const QString real = make(QStringLiteral("real"));
    make(QStringLiteral("real/sub"), {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(real, link));
    grant(link, link);
    const QString opened = link + QStringLiteral("/sub");
    refused.insert(opened);
    const auto list = ImageCollection::scanFolder(opened + QStringLiteral("/b.jpg"));
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->contains(opened + QStringLiteral("/b.jpg")))
        << "listed below the resolved grant, named below the folder opened: "
        << list->join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(FolderGrantsTest, AnAncestorsGrantListsPastBrokenOnesUntilItIsRemovedOrAskingIsOff) {
    const QString granted = make(QStringLiteral("A"));
    const QString folder = make(QStringLiteral("A/B"), {QStringLiteral("x.jpg")});
    const QString gone = make(QStringLiteral("A/B/gone"));
    grant(granted, granted);
    grant(folder, gone); // the nearer grant now resolves to nothing
    QDir(gone).removeRecursively();
    QVariantMap grants = Settings().savedFolders();
    grants.insert(dir.filePath(QStringLiteral("text")), QStringLiteral("not a bookmark"));
    grants.insert(dir.filePath(QStringLiteral("A/B/bytes")), QByteArray("\x01\x02", 2));
    Settings().setValue(Settings::SavedFolders, grants);

    refusedOnce.insert(folder);
    EXPECT_EQ(names(ImageCollection::scanFolder(folder + QStringLiteral("/x.jpg"))),
              QStringList({QStringLiteral("x.jpg")}));
    EXPECT_TRUE(asked.isEmpty());

    Settings().setValue(Settings::FolderAccess, 1);
    refusedOnce.insert(folder);
    listings = 0;
    EXPECT_FALSE(ImageCollection::scanFolder(folder));
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(listings, 1) << "with asking off no grant is even tried";
    QSettings().remove(QString::fromLatin1(Settings::FolderAccess));
    EXPECT_FALSE(ImageCollection::scanFolder(dir.filePath(QStringLiteral("missing/x.jpg"))));
    EXPECT_TRUE(asked.isEmpty()) << "a missing folder is not a question of access";

    // A new grant keeps every other entry, the broken ones too.
    const QString other = make(QStringLiteral("other"));
    ASSERT_TRUE(FolderGrants().addGrant(other));
    EXPECT_EQ(Settings().savedFolders().size(), grants.size() + 1);
    FolderGrants().removeGrant(granted);
    EXPECT_FALSE(FolderGrants().folders().contains(granted));
    refusedOnce.insert(folder);
    ImageCollection::scanFolder(folder);
    EXPECT_EQ(asked, QStringList({folder}));
}

TEST_F(FolderGrantsTest, AGrantThatResolvesButDoesNotListAsks) {
    const QString folder = make(QStringLiteral("A/B"), {QStringLiteral("x.jpg")});
    const QString chosen = make(QStringLiteral("elsewhere"), {QStringLiteral("e.gif")});
    grant(folder, folder);
    refused.insert(folder);
    int states = 0;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(NotificationCenter::UpdateStates), &observer, [&states] { ++states; });

    answer = chosen;
    EXPECT_EQ(names(ImageCollection::scanFolder(folder)), QStringList({QStringLiteral("e.gif")}))
        << "the folder chosen is the one listed";
    EXPECT_EQ(asked, QStringList({folder}));
    EXPECT_TRUE(Settings().savedFolders().contains(chosen));
    EXPECT_EQ(states, 1);

    // A chosen folder that cannot be listed is no grant.
    const QString locked = make(QStringLiteral("locked"));
    refused.insert(locked);
    answer = locked;
    EXPECT_FALSE(ImageCollection::scanFolder(folder));
    EXPECT_FALSE(Settings().savedFolders().contains(locked));
    EXPECT_EQ(states, 1);
}

// Outside a sandbox the portal never answers: that is the platform's rule.
TEST_F(FolderGrantsTest, AsksOnlyWhereTheDocumentPortalAnswers) {
    const QString folder =
        make(QStringLiteral("A"), {QStringLiteral("x.jpg"), QStringLiteral("y.jpg")});
    refused.insert(folder);
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers ? "a portal that answers: the user may cancel" : "a silent portal");
        asked.clear();
        portal = answers;
        ViewerDocument document;
        document.startWithFile(folder + QStringLiteral("/x.jpg"));
        EXPECT_EQ(asked.size(), answers ? 1 : 0);
        EXPECT_FALSE(document.imageFiles().hasList());
        EXPECT_EQ(document.openedURL(), folder + QStringLiteral("/x.jpg")) << "shown alone";

        // The folder itself: its message, once.
        ViewerDocument direct;
        QList<ViewerMessage::Situation> failures;
        QObject::connect(&direct, &ViewerDocument::listFailed,
                         [&](ViewerMessage::Situation situation) { failures.append(situation); });
        direct.startWithFile(folder);
        EXPECT_EQ(failures, QList<ViewerMessage::Situation>({ViewerMessage::NoImagesInFolder}));
        EXPECT_EQ(asked.size(), answers ? 2 : 0);
        EXPECT_TRUE(Settings().savedFolders().isEmpty());
    }
}

// What the chooser's event loop might deliver: another document, or the
// user closing the window of the one that asked.
TEST_F(FolderGrantsTest, WhileTheChooserIsOpenASecondRequestAsksNothingAndTheDocumentMayGo) {
    const QString one = make(QStringLiteral("one"), {QStringLiteral("x.jpg")});
    const QString two = make(QStringLiteral("two"));
    refused = {one, two};
    auto* document = new ViewerDocument;
    const QPointer<ViewerDocument> alive(document);
    bool innerAnswered = true;
    FolderGrants::setChooser([&](const QString& folder) -> std::optional<QString> {
        asked.append(folder);
        EXPECT_TRUE(FolderGrants::isAsking());
        innerAnswered = ImageCollection::scanFolder(two).has_value();
        delete document;
        return std::nullopt;
    });
    document->startWithFile(one + QStringLiteral("/x.jpg"));
    EXPECT_FALSE(alive);
    EXPECT_EQ(asked, QStringList({one}));
    EXPECT_FALSE(innerAnswered);
    EXPECT_FALSE(FolderGrants::isAsking());
}

} // namespace
