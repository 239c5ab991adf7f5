#include "platform/Workspace.h"
#include "platform/FileName.h"
#include "support/TestImages.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

// glib reads the XDG folders on first use, so this runs before any test (and so before any GIO
// call): our own desktop entries in a private data home and data folder, the system folders
// after them for the shared MIME database.
class WorkspaceEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (ready || !root().isValid())
            return; // once per program, also when the tests are repeated
        const QString home = root().filePath("data-home");
        const QString system = root().filePath("data-dir");
        QDir().mkpath(home + "/applications");
        QDir().mkpath(system + "/applications");

        const QString icon = root().filePath("fake-viewer.png");
        QImage square(16, 16, QImage::Format_ARGB32);
        square.fill(Qt::red);
        square.save(icon);

        // "$1" keeps a path with spaces whole; %f hands it over shell-quoted.
        write(home + "/applications/fake-viewer.desktop",
              QStringLiteral("[Desktop Entry]\nType=Application\nName=Fake Viewer\n"
                             "Icon=%1\nMimeType=image/png;\n"
                             "Exec=sh -c 'printf %%s \"$1\" > %2' sh %f\n")
                  .arg(icon, markerPath()));
        write(system + "/applications/ovisto.desktop",
              QStringLiteral("[Desktop Entry]\nType=Application\nName=Ovisto\nIcon=ovisto\n"
                             "MimeType=image/png;image/jpeg;\nExec=sh -c true %F\n"));
        write(system + "/applications/fake-editor.desktop",
              QStringLiteral("[Desktop Entry]\nType=Application\nName=Fake Editor\n"
                             "MimeType=image/png;\nExec=sh -c true %f\n"));

        // GIO looks types up in the index that update-desktop-database keeps, not in the
        // entries themselves.
        write(home + "/applications/mimeinfo.cache",
              "[MIME Cache]\nimage/png=fake-viewer.desktop;\n");
        write(system + "/applications/mimeinfo.cache",
              QStringLiteral("[MIME Cache]\nimage/jpeg=ovisto.desktop;\n"
                             "image/png=ovisto.desktop;fake-editor.desktop;\n"));

        QByteArray dirs = qgetenv("XDG_DATA_DIRS");
        if (dirs.isEmpty())
            dirs = "/usr/local/share:/usr/share";
        qputenv("XDG_DATA_HOME", QFile::encodeName(home));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(system) + ':' + dirs);
        ready = true;
    }

    static QString markerPath() { return root().filePath("marker"); }
    static QString folder() { return root().path(); }
    static bool isReady() { return instance && instance->ready; }

    static WorkspaceEnvironment* instance;

    static void write(const QString& path, const QString& text) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }

  private:
    // gtest never deletes its environments; a static is removed at exit.
    static QTemporaryDir& root() {
        static QTemporaryDir dir;
        return dir;
    }

    bool ready = false;
};

WorkspaceEnvironment* WorkspaceEnvironment::instance = static_cast<WorkspaceEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new WorkspaceEnvironment));

namespace {

class WorkspaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(WorkspaceEnvironment::isReady());
        ASSERT_TRUE(files.isValid());
    }

    QString pngFile(const QString& name) {
        const QString path = files.filePath(name);
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::blue);
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }

    static const ApplicationInfo* find(const QList<ApplicationInfo>& apps, const QString& id) {
        for (const ApplicationInfo& app : apps)
            if (app.id == id)
                return &app;
        return nullptr;
    }

    QTemporaryDir files;
};

} // namespace

TEST_F(WorkspaceTest, ListsApplicationsForTheFileTypeButNotOurOwnWithTheirIcons) {
    const QList<ApplicationInfo> apps = Workspace::applicationsForFile(pngFile("picture.png"));
    const ApplicationInfo* viewer = find(apps, "fake-viewer.desktop");
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->name, "Fake Viewer");
    EXPECT_EQ(viewer->path,
              WorkspaceEnvironment::folder() + "/data-home/applications/fake-viewer.desktop");
    EXPECT_NE(find(apps, "fake-editor.desktop"), nullptr);
    EXPECT_EQ(find(apps, "ovisto.desktop"), nullptr);

    QStringList ids;
    for (const ApplicationInfo& app : apps)
        ids.append(app.id);
    EXPECT_EQ(ids.size(), QSet<QString>(ids.begin(), ids.end()).size())
        << ids.join(u' ').toStdString();
    // The icon comes from the entry's icon file; none without one.
    EXPECT_FALSE(Workspace::iconForApplication(*viewer).isNull());
    const ApplicationInfo* editor = find(apps, "fake-editor.desktop");
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->iconName.isEmpty());
    EXPECT_TRUE(Workspace::iconForApplication(*editor).isNull());
    for (const QString& missing :
         {QStringLiteral("no-such-icon-in-any-theme-7f3a"), files.filePath("missing-icon.png")}) {
        ApplicationInfo unknown;
        unknown.iconName = missing;
        EXPECT_TRUE(Workspace::iconForApplication(unknown).isNull());
    }
}

// The name decides where it can, the bytes otherwise (also under a name
// that is not UTF-8); a FIFO is never read, which would block with no writer.
TEST_F(WorkspaceTest, ContentTypeComesFromTheNameOrElseTheBytes) {
    const QString sniffed = pngFile("no-extension");
    const QByteArray raw = QFile::encodeName(files.path()) + QByteArray("/caf\xe9");
    const QByteArray from = QFile::encodeName(pngFile("picture"));
    ASSERT_EQ(::rename(from.constData(), raw.constData()), 0);
    const QString fifo = files.filePath("pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString mystery = files.filePath("mystery.zq9x");
    ASSERT_TRUE(TestImages::write(
        mystery, QByteArray("\x00\x01\xfe\xff\x00\x7f\x80\x00\x13", 9).repeated(50)));
    const std::pair<QString, QString> cases[] = {{sniffed, "image/png"},
                                                 {FileName::decode(raw), "image/png"},
                                                 {fifo, "image/png"},
                                                 {mystery, QString()}};
    for (const auto& [path, type] : cases)
        EXPECT_EQ(Workspace::contentTypeForFile(path), type) << path.toStdString();
    ::unlink(raw.constData()); // QTemporaryDir cannot remove it by itself
    EXPECT_NE(find(Workspace::applicationsForFile(sniffed), "fake-viewer.desktop"), nullptr);
    EXPECT_TRUE(Workspace::applicationsForFile(mystery).isEmpty());
    EXPECT_TRUE(Workspace::applicationsForFile(QString()).isEmpty());
}

TEST_F(WorkspaceTest, AnApplicationInstalledLaterIsListedOnceTheDesktopReportsIt) {
    // The lists are kept per type; a stale one would hide a new application
    // until the viewer restarts.
    const QString path = pngFile("picture.png");
    ASSERT_EQ(find(Workspace::applicationsForFile(path), "late-viewer.desktop"), nullptr);
    const QString applications = WorkspaceEnvironment::folder() + "/data-home/applications";
    WorkspaceEnvironment::write(
        applications + "/late-viewer.desktop",
        QStringLiteral("[Desktop Entry]\nType=Application\nName=Late "
                       "Viewer\nMimeType=image/png;\nExec=sh -c true %f\n"));
    WorkspaceEnvironment::write(
        applications + "/mimeinfo.cache",
        "[MIME Cache]\nimage/png=fake-viewer.desktop;late-viewer.desktop;\n");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return find(Workspace::applicationsForFile(path), "late-viewer.desktop") != nullptr;
        },
        20000));
}

TEST_F(WorkspaceTest, OpenFileLaunchesTheApplicationWithTheFileOrFails) {
    const QString path = pngFile("with space.png");
    const QList<ApplicationInfo> apps = Workspace::applicationsForFile(path);
    const ApplicationInfo* viewer = find(apps, "fake-viewer.desktop");
    ASSERT_NE(viewer, nullptr);
    const auto handed = [](const QString& file, const QString& application) {
        QFile::remove(WorkspaceEnvironment::markerPath());
        QFile marker(WorkspaceEnvironment::markerPath());
        EXPECT_TRUE(Workspace::openFile(file, application) &&
                    QTest::qWaitFor([&] { return marker.exists() && marker.size() > 0; }));
        return TestImages::read(marker.fileName());
    };
    // By desktop file path as listed, and by desktop id.
    for (const QString& application : {viewer->path, viewer->id})
        EXPECT_EQ(handed(path, application), QFile::encodeName(path));
    // Odd names come as one argument, byte for byte: nothing splits a newline
    // or expands "$(id)", and the absolute path passes for no option.
    for (const QByteArray& name : {QByteArray("-x.png"), QByteArray("--help.png"),
                                   QByteArray("a\nb.png"), QByteArray("caf\xe9 $(id) 'q'.png"),
                                   QByteArray(251, 'n') + ".png"}) {
        const QByteArray raw = QFile::encodeName(files.path()) + '/' + name;
        FILE* file = std::fopen(raw.constData(), "wb");
        ASSERT_TRUE(file && std::fclose(file) == 0);
        EXPECT_EQ(handed(FileName::decode(raw), viewer->id), raw);
        ::unlink(raw.constData());
    }
    EXPECT_FALSE(Workspace::openFile(path, "no-such-app.desktop"));
    EXPECT_FALSE(Workspace::openFile(path, files.filePath("missing.desktop")));
    EXPECT_FALSE(Workspace::openFile(path, QString()));
    EXPECT_FALSE(Workspace::openFile(files.filePath("gone.png"), viewer->id));
}
