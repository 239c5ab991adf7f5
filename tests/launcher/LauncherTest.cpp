#include "app/SingleInstance.h"
#include "platform/CommandLine.h"
#include "platform/FileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>
#include <QtEndian>
#include <gtest/gtest.h>

#include <functional>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

// Both ends of the instance socket: the viewer's SingleInstance, and the `ovisto` launcher.
namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

// What a crash leaves behind: a bound socket file with nobody listening on it.
void leaveDeadSocket(const QString& path) {
    const QByteArray name = encoded(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(name.size()), sizeof address.sun_path);
    memcpy(address.sun_path, name.constData(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

QByteArray bigEndian(quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray header(quint32 payloadBytes, const char* kind = "OVST") {
    return QByteArray(kind) + bigEndian(payloadBytes);
}

// What the `ovisto` launcher sends: its working folder, then its raw arguments.
QByteArray argumentsMessage(const QByteArray& workingFolder, const QByteArrayList& arguments) {
    QByteArray payload = bigEndian(quint32(workingFolder.size())) + workingFolder;
    for (const QByteArray& argument : arguments)
        payload += bigEndian(quint32(argument.size())) + argument;
    return header(quint32(payload.size()), "OVSA") + payload;
}

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString socketPath() const { return dir.filePath(QStringLiteral("test.socket")); }

    // Starts the running instance and watches what it receives.
    void listen() {
        running = std::make_unique<SingleInstance>(socketPath());
        ASSERT_TRUE(running->listen());
        received = std::make_unique<QSignalSpy>(running.get(), &SingleInstance::filesReceived);
    }
    QStringList lastReceived() const { return received->last().at(0).toStringList(); }

    // The sender blocks until the running instance acknowledges, and the running instance needs
    // this thread's event loop, so the sender runs on a pool thread.
    bool send(const QStringList& paths, int timeoutMs = 5000, bool fullScreen = false,
              bool slideshow = false) {
        QFuture<bool> future =
            QtConcurrent::run([path = socketPath(), paths, timeoutMs, fullScreen, slideshow] {
                return SingleInstance(path).sendToRunningInstance(paths, timeoutMs, fullScreen,
                                                                  slideshow);
            });
        return QTest::qWaitFor([&future] { return future.isFinished(); }) && future.result();
    }

    // Connects a raw client that speaks whatever the test wants.
    std::unique_ptr<QLocalSocket> rawClient(const QByteArray& bytes) {
        auto client = std::make_unique<QLocalSocket>();
        client->connectToServer(socketPath());
        EXPECT_TRUE(client->waitForConnected(2000));
        client->write(bytes);
        client->flush();
        return client;
    }
    // The instance hangs up on a message it refuses, without acknowledging it.
    void expectRefused(const QByteArray& bytes) {
        auto client = rawClient(bytes);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return client->state() == QLocalSocket::UnconnectedState;
        })) << bytes.left(64).toHex().constData();
        EXPECT_EQ(client->bytesAvailable(), 0) << bytes.left(64).toHex().constData();
    }

    QTemporaryDir dir;
    std::unique_ptr<SingleInstance> running;
    std::unique_ptr<QSignalSpy> received;
};

} // namespace

TEST_F(SingleInstanceTest, PathListsArriveWholeAndAcknowledged) {
    EXPECT_FALSE(SingleInstance(socketPath()).sendToRunningInstance({})) << "nobody listens";
    listen();
    EXPECT_FALSE(SingleInstance(socketPath()).listen()) << "a second listen on a live path fails";
    QStringList many;
    for (int i = 0; i < 20000; ++i) // arrives in pieces
        many.append(QStringLiteral("/a/rather/long/folder/name/for/images/image-%1.jpg").arg(i));
    const QList<QStringList> lists{
        {QStringLiteral("/photos/a.jpg"), QStringLiteral("/photos/b.png")},
        {}, // a plain relaunch
        {QStringLiteral("/tmp/with space/file name.jpg"),
         QString::fromUtf8("/tmp/ünïcødé/写真 \xF0\x9F\x93\xB7.png"), // a surrogate pair
         QStringLiteral("/tmp/line\nbreak.gif"), QStringLiteral("/tmp/tab\tand\rreturn.tif"),
         QStringLiteral("/tmp/quotes'\"and$HOME;`x`.bmp"), QStringLiteral("/tmp/OVST"),
         QStringLiteral("/") + QString(4000, QLatin1Char('x')),
         FileName::decode("/tmp/caf\xe9.jpg")}, // Latin-1, not UTF-8
        many};
    for (const QStringList& paths : lists) {
        SCOPED_TRACE(paths.size());
        EXPECT_TRUE(send(paths, 20000));
        EXPECT_EQ(lastReceived(), paths);
    }
    EXPECT_EQ(received->count(), lists.size());
    // The viewer's own hand-over carries its -f and -s with the paths.
    for (const auto& [fullScreen, slideshow] :
         {std::pair{true, false}, {false, true}, {true, true}}) {
        const QStringList paths{QStringLiteral("/photos/-s"), QStringLiteral("/photos/--")};
        EXPECT_TRUE(send(paths, 5000, fullScreen, slideshow));
        EXPECT_EQ(lastReceived(), paths);
        EXPECT_EQ(received->last().at(1).toBool(), fullScreen);
        EXPECT_EQ(received->last().at(2).toBool(), slideshow);
    }
}

TEST_F(SingleInstanceTest, ListenRecoversWhatAnEarlierInstanceLeftAtTheSocketPath) {
    for (bool deadSocket : {false, true}) {
        SCOPED_TRACE(deadSocket);
        if (deadSocket) {
            leaveDeadSocket(socketPath());
        } else {
            QFile stale(socketPath());
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly) && stale.write("left over") > 0);
        }
        ASSERT_TRUE(QFile::exists(socketPath()));
        EXPECT_FALSE(SingleInstance(socketPath()).sendToRunningInstance({})) << "nobody listens";
        listen();
        EXPECT_TRUE(send({QStringLiteral("/x.png")}));
        EXPECT_EQ(received->count(), 1);
        running.reset();
        EXPECT_FALSE(QFile::exists(socketPath())) << "closing removes the socket";
    }
}

TEST_F(SingleInstanceTest, MalformedMessagesAreRefusedAndTheInstanceGoesOn) {
    listen();
    const QByteArray refused[] = {
        "GET / HTTP/1.1\r\n\r\n",
        header(quint32(SingleInstance::maxMessageBytes + 1)), // refused before its body
        header(0xFFFFFFFFu),
        header(8) + QByteArray::fromHex("0000000961626364"), // entry overruns the message
        header(4) + QByteArray::fromHex("00000000"),         // empty entry
        header(2) + QByteArray::fromHex("0000"),             // truncated length
        header(0) + QByteArray("more"),                      // trailing bytes
        header(0, "OVSA"),                                   // no working folder
        argumentsMessage("", {"a.jpg"}),
        argumentsMessage("pics", {"a.jpg"}), // relative working folder
        argumentsMessage("/w", {QByteArray("a\0b.jpg", 7)}),
        argumentsMessage(QByteArray("/w\0x", 4), {"a.jpg"}),
        header(12, "OVSA") + QByteArray::fromHex("000000022f77000000ff6162"),
        header(6, "OVSA") + QByteArray::fromHex("000000012f00"),
        argumentsMessage("/w", {"a.jpg"}) + "x",
        header(0, "OVSX"),
        header(quint32(SingleInstance::maxMessageBytes + 1), "OVSA"),
    };
    for (const QByteArray& bytes : refused)
        expectRefused(bytes);
    EXPECT_EQ(received->count(), 0);

    // Neither a client that stalls halfway nor one that hangs up halfway blocks the next.
    auto stalled = rawClient(header(100) + QByteArray("\x00\x00\x00", 3));
    rawClient(QByteArray("OVS"))->abort();
    EXPECT_TRUE(send({QStringLiteral("/ok.jpg")}));
    EXPECT_EQ(lastReceived(), QStringList{QStringLiteral("/ok.jpg")});
    EXPECT_EQ(stalled->state(), QLocalSocket::ConnectedState);
}

TEST(CommandLine, OptionsComeFirstAndQtsTakeTheirValues) {
    using A = CommandLine::Action;
    struct Case {
        std::vector<std::string_view> arguments;
        A action;
        std::vector<size_t> documents;
        bool fullScreen = false, slideshow = false;
    };
    // Qt's options with a value take the next argument unless it is given inline, even one
    // named like an image; "-" and everything after "--" are documents.
    for (const Case& c : std::initializer_list<Case>{
             {{"-platform", "xcb", "a.jpg", "--style", "fusion", "-style=fusion", "b.jpg",
               "-reverse", "-", "-title", "c.jpg", "-display"},
              A::Open,
              {2, 6, 8}},
             {{"-f", "a.jpg", "--slideshow"}, A::Open, {1}, true, true},
             {{"--", "-f", "--help"}, A::Open, {1, 2}},
             {{"a.jpg", "--help"}, A::Help, {0}},
             {{"-h"}, A::Help, {}},
             {{"--version", "-nonsense"}, A::Version, {}},
             {{"a.jpg", "-x.jpg"}, A::Fail, {0}},
         }) {
        SCOPED_TRACE(testing::PrintToString(
            std::vector<std::string>(c.arguments.begin(), c.arguments.end())));
        const CommandLine line = CommandLine::parse(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.documents, c.documents);
        EXPECT_EQ(line.fullScreen, c.fullScreen);
        EXPECT_EQ(line.slideshow, c.slideshow);
        EXPECT_EQ(line.error.empty(), c.action != A::Fail);
    }
    // The instance takes a second launch's documents by the same rule, byte for byte.
    EXPECT_EQ(SingleInstance::documentArguments({"-s", "caf\xe9.jpg", "-style", "x"}),
              QStringList{FileName::decode("caf\xe9.jpg")});
}

TEST(SingleInstancePaths, RelativeArgumentsResolveAgainstWorkingDirectoryWithoutLinks) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("link"))));
    const QString cwd = QStringLiteral("/home/user/pictures");
    EXPECT_EQ(
        SingleInstance::absolutePaths(
            {QStringLiteral("a.jpg"), QStringLiteral("sub/b c.png"), QStringLiteral("../up.gif"),
             QStringLiteral("./here.bmp"), QStringLiteral("/abs/olute.tif"), QString(),
             QStringLiteral("file:///srv/pho%20tos/x.jpg"), QStringLiteral("missing.jpg")},
            cwd),
        (QStringList{cwd + QStringLiteral("/a.jpg"), cwd + QStringLiteral("/sub/b c.png"),
                     QStringLiteral("/home/user/up.gif"), cwd + QStringLiteral("/here.bmp"),
                     QStringLiteral("/abs/olute.tif"), QStringLiteral("/srv/pho tos/x.jpg"),
                     cwd + QStringLiteral("/missing.jpg")}));
    EXPECT_EQ(SingleInstance::absolutePaths({QStringLiteral("link/image.png")}, dir.path()),
              QStringList{dir.filePath(QStringLiteral("link/image.png"))});
}

// The `ovisto` launcher, run as a program: a copy of it in a folder of the test's own, beside a
// stand-in viewer that records how it was started, so that a launch the running instance does
// not take shows as the stand-in having run.
namespace {

constexpr int viewerStatus = 3;

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
    // Runs the launcher against an instance on the default socket path for the environment as it
    // is: the instance must get the paths (in the work folder, byte for byte), the stand-in must
    // not run.
    void expectHandedOver(const QByteArrayList& arguments = {"a.jpg"},
                          const QByteArrayList& paths = {"a.jpg"}) {
        QFile::remove(dir.filePath(QStringLiteral("bin/ovisto-viewer.ran")));
        SingleInstance running(SingleInstance::defaultSocketPath());
        ASSERT_TRUE(running.listen()) << qPrintable(running.socketPath());
        QSignalSpy received(&running, &SingleInstance::filesReceived);
        EXPECT_EQ(launch(arguments), 0) << qPrintable(running.socketPath());
        ASSERT_EQ(received.count(), 1);
        QByteArrayList got, wanted;
        for (const QString& path : received.at(0).at(0).toStringList())
            got.append(FileName::encode(path));
        for (const QByteArray& path : paths)
            wanted.append(work + '/' + path);
        EXPECT_EQ(got, wanted);
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

TEST_F(LauncherTest, OptionsAreAnsweredBeforeAnyHandOverOrViewer) {
    useRuntimeFolder();
    SingleInstance running(SingleInstance::defaultSocketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);
    const struct {
        QStringList arguments;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{QStringLiteral("--version")}, 0, "ovisto ", ""},
        {{QStringLiteral("a.jpg"), QStringLiteral("--help")}, 0, "Usage: ovisto", ""},
        {{QStringLiteral("--bogus")}, 2, "", "ovisto: unknown option '--bogus'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.arguments.join(' ')));
        QProcess process;
        process.start(launcher, c.arguments);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), c.status);
        EXPECT_TRUE(process.readAllStandardOutput().startsWith(c.out));
        const QByteArray err = process.readAllStandardError();
        EXPECT_TRUE(err.startsWith(c.err)) << err.constData();
        EXPECT_LE(err.count('\n'), 1);
    }
    QTest::qWait(100);
    EXPECT_EQ(received.count(), 0);
    EXPECT_TRUE(viewerRecord().isEmpty());
    // -f and -s travel with a second launch's documents.
    EXPECT_EQ(launch({"-f", "-s", "a.jpg"}), 0);
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(1).toBool(), true);
    EXPECT_EQ(received.at(0).at(2).toBool(), true);
}

TEST_F(LauncherTest, ArgumentsReachTheInstanceByteExact) {
    useRuntimeFolder();
    expectHandedOver({"-platform", "xcb", "", "caf\xe9.jpg", "sub dir/../x y.png", "--reverse"},
                     {"caf\xe9.jpg", "x y.png"});
    expectHandedOver({}, {}); // a plain relaunch
}

TEST_F(LauncherTest, AnInstanceThatDoesNotTakeTheArgumentsLeavesThemToTheViewer) {
    useRuntimeFolder();
    expectBecomesViewer({"a b.jpg", "", "-platform", "xcb", "caf\xe9.jpg"}); // no instance at all
    const QString path = SingleInstance::defaultSocketPath();
    {
        SCOPED_TRACE("a socket left by a crashed instance");
        leaveDeadSocket(path);
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
