#include "app/SingleInstance.h"
#include "platform/FileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

// The `ovisto` launcher, run as a program: a copy of it in a folder of the test's own, beside a
// stand-in viewer that records how it was started, so that a launch the running instance does
// not take shows as the stand-in having run.
namespace {

constexpr int viewerStatus = 3;

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

class LauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"bin", "tmp"})
            ASSERT_TRUE(QDir(dir.path()).mkpath(QLatin1String(sub)));
        work = encoded(dir.path()) + "/w\xe9rk"; // a working folder whose name is not UTF-8
        ASSERT_EQ(::mkdir(work.constData(), 0700), 0);
        launcher = dir.filePath(QStringLiteral("bin/ovisto"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(OVISTO_LAUNCHER), launcher));
        QFile viewer(dir.filePath(QStringLiteral("bin/ovisto-viewer")));
        ASSERT_TRUE(viewer.open(QIODevice::WriteOnly));
        viewer.write("#!/bin/sh\n"
                     "{ echo \"$$\"; for a in \"$@\"; do echo \"[$a]\"; done; } >\"$0.ran\"\n"
                     "exit 3\n");
        viewer.close();
        ASSERT_TRUE(viewer.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        // Each test's runtime and temporary folders are its own (TMPDIR is put back for the
        // next fixture's folder).
        qputenv("TMPDIR", encoded(dir.filePath(QStringLiteral("tmp"))));
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override { qputenv("TMPDIR", savedTmp); }

    // Runs the launcher in the work folder with exactly these argument bytes and the process's
    // environment as it is now; its exit status, or -1 when it did not end normally.
    int launch(const QByteArrayList& arguments) {
        const QByteArray program = encoded(launcher);
        std::vector<char*> argv{const_cast<char*>(program.constData())};
        for (const QByteArray& argument : arguments)
            argv.push_back(const_cast<char*>(argument.constData()));
        argv.push_back(nullptr);
        pid = ::fork();
        if (pid == 0) {
            if (::chdir(work.constData()) == 0)
                ::execv(program.constData(), argv.data());
            ::_exit(127);
        }
        int status = 0;
        // The running instance needs this thread's event loop while the launcher waits.
        const bool ended = QTest::qWaitFor(
            [&] { return pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid; }, 20000);
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // What the stand-in viewer recorded: its process id, then each argument in brackets.
    QByteArrayList viewerRecord() const {
        QFile record(dir.filePath(QStringLiteral("bin/ovisto-viewer.ran")));
        if (!record.open(QIODevice::ReadOnly))
            return {};
        QByteArrayList lines = record.readAll().split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }
    // Runs the launcher with one image against an instance on the default socket path for the
    // environment as it is: the instance must get the image and the stand-in must not run.
    void expectHandedOver() {
        QFile::remove(dir.filePath(QStringLiteral("bin/ovisto-viewer.ran")));
        SingleInstance running(SingleInstance::defaultSocketPath());
        ASSERT_TRUE(running.listen()) << qPrintable(running.socketPath());
        QSignalSpy received(&running, &SingleInstance::filesReceived);
        EXPECT_EQ(launch({"a.jpg"}), 0) << qPrintable(running.socketPath());
        ASSERT_EQ(received.count(), 1);
        EXPECT_EQ(received.at(0).at(0).toStringList(),
                  QStringList{FileName::decode(work + "/a.jpg")});
        EXPECT_TRUE(viewerRecord().isEmpty());
    }
    // Runs the launcher, which must become the stand-in viewer with its arguments unchanged.
    void expectBecomesViewer(const QByteArrayList& arguments = {"a.jpg"}) {
        QFile::remove(dir.filePath(QStringLiteral("bin/ovisto-viewer.ran")));
        EXPECT_EQ(launch(arguments), viewerStatus);
        QByteArrayList record{QByteArray::number(pid)};
        for (const QByteArray& argument : arguments)
            record.append('[' + argument + ']');
        EXPECT_EQ(viewerRecord(), record);
    }
    void useRuntimeFolder() {
        const QString runtime = dir.filePath(QStringLiteral("run"));
        ASSERT_TRUE(QDir().mkpath(runtime));
        ASSERT_EQ(::chmod(encoded(runtime).constData(), 0700), 0);
        qputenv("XDG_RUNTIME_DIR", encoded(runtime));
    }

    QTemporaryDir dir;
    QString launcher;
    QByteArray work;
    pid_t pid = 0;
    const QByteArray savedTmp = qgetenv("TMPDIR");
};

} // namespace

TEST_F(LauncherTest, FindsTheInstanceWhereverQtPutsItsSocket) {
    const QString runtime = dir.filePath(QStringLiteral("run")), tmp = dir.filePath("tmp"),
                  bare = dir.filePath("tmp2"), longLink = dir.filePath(QString(90, 'l'));
    const passwd* user = ::getpwuid(::geteuid());
    ASSERT_NE(user, nullptr);
    QFile plainFile(bare + QStringLiteral("/runtime-") + QString::fromLocal8Bit(user->pw_name));
    ASSERT_TRUE(QDir().mkdir(runtime) && QDir().mkpath(tmp + "/deep") && QDir().mkdir(bare));
    ASSERT_TRUE(QFile::link(runtime, dir.filePath("runlink")) && QFile::link(tmp, longLink) &&
                QFile::link(tmp + "/deep", dir.filePath("deeplink")));
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    plainFile.close(); // mode 0700, so that only its kind tells it from a folder
    ASSERT_TRUE(plainFile.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // XDG_RUNTIME_DIR ("" unset), TMPDIR, the runtime folder's mode, where the socket must be.
    const std::tuple<const char*, QString, QString, mode_t, QString> cases[] = {
        {"XDG_RUNTIME_DIR usable", runtime, tmp, 0700, runtime},
        {"XDG_RUNTIME_DIR missing, made on first use", dir.filePath("fresh"), tmp, 0700,
         dir.filePath("fresh")},
        {"XDG_RUNTIME_DIR unset: runtime-USER in TMPDIR", "", tmp, 0700, tmp + "/runtime-"},
        {"XDG_RUNTIME_DIR open to others: runtime-USER instead", runtime, tmp, 0755, tmp},
        {"XDG_RUNTIME_DIR a link to a private folder", dir.filePath("runlink"), tmp, 0700, tmp},
        {"XDG_RUNTIME_DIR under a missing folder", dir.filePath("no/such"), tmp, 0700, tmp},
        {"TMPDIR with '..' after a link: folded before the link is followed", "",
         dir.filePath("deeplink/.."), 0700, dir.path() + "/runtime-"},
        {"TMPDIR through a link too long for a socket address, slashes to spare", "",
         longLink + "//", 0700, ""},
        {"no usable runtime folder at all: a per-user name in TMPDIR", dir.filePath("no/such"),
         bare, 0700, bare + "/ovisto-"},
    };
    for (const auto& [what, xdg, tmpdir, mode, socketIn] : cases) {
        SCOPED_TRACE(what);
        ASSERT_EQ(::chmod(encoded(runtime).constData(), mode), 0);
        if (xdg.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", encoded(xdg));
        qputenv("TMPDIR", encoded(tmpdir));
        EXPECT_TRUE(SingleInstance::defaultSocketPath().startsWith(socketIn))
            << qPrintable(SingleInstance::defaultSocketPath());
        expectHandedOver();
    }
}

TEST_F(LauncherTest, ArgumentsReachTheInstanceByteExact) {
    useRuntimeFolder();
    SingleInstance running(SingleInstance::defaultSocketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    EXPECT_EQ(launch({"-platform", "xcb", "", "caf\xe9.jpg", "sub dir/../x y.png", "--reverse"}),
              0);
    EXPECT_EQ(launch({}), 0);
    ASSERT_EQ(received.count(), 2);
    QByteArrayList paths;
    for (const QString& path : received.at(0).at(0).toStringList())
        paths.append(FileName::encode(path));
    EXPECT_EQ(paths, (QByteArrayList{work + "/caf\xe9.jpg", work + "/x y.png"}));
    EXPECT_TRUE(received.at(1).at(0).toStringList().isEmpty()) << "a plain relaunch";
    EXPECT_TRUE(viewerRecord().isEmpty());
}

TEST_F(LauncherTest, AnInstanceThatDoesNotTakeTheArgumentsLeavesThemToTheViewer) {
    useRuntimeFolder();
    expectBecomesViewer({"a b.jpg", "", "-platform", "xcb", "caf\xe9.jpg"}); // no instance at all
    const QString path = SingleInstance::defaultSocketPath();
    {
        SCOPED_TRACE("a socket left by a crashed instance");
        const QByteArray name = encoded(path);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(size_t(name.size()), sizeof address.sun_path);
        memcpy(address.sun_path, name.constData(), name.size());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        expectBecomesViewer();
        QFile::remove(path);
    }
    QLocalServer server;
    ASSERT_TRUE(server.listen(path));
    std::function<void(QLocalSocket*)> answer;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* socket = server.nextPendingConnection())
            answer(socket);
    });
    const std::pair<const char*, std::function<void(QLocalSocket*)>> answers[] = {
        {"an instance that hangs up", [](QLocalSocket* socket) { socket->abort(); }},
        {"something that answers otherwise",
         [](QLocalSocket* socket) {
             QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                 socket->readAll();
                 socket->write("X");
                 socket->flush();
             });
         }},
        {"an instance that never answers, after the launcher's timeout", [](QLocalSocket*) {}},
    };
    for (const auto& [what, reply] : answers) {
        SCOPED_TRACE(what);
        answer = reply;
        expectBecomesViewer();
    }
}

TEST_F(LauncherTest, InstalledFindsTheViewerWhereTheInstallPutsItRelativeToItself) {
    // bin/ovisto with the viewer in libexec, as `cmake --install --prefix` lays them out.
    useRuntimeFolder();
    const QString installed = QDir::cleanPath(
        dir.filePath(QStringLiteral("bin/") + QStringLiteral(OVISTO_VIEWER_FROM_BIN)));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(installed).path()));
    ASSERT_TRUE(QFile::rename(dir.filePath(QStringLiteral("bin/ovisto-viewer")), installed));
    EXPECT_EQ(launch({"a.jpg"}), viewerStatus);
    QFile record(installed + QStringLiteral(".ran"));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(record.readAll(), QByteArray::number(pid) + "\n[a.jpg]\n");
}
