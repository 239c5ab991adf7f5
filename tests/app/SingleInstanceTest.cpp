#include "app/SingleInstance.h"
#include "platform/FileName.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>
#include <QtEndian>
#include <gtest/gtest.h>

#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The sender blocks until the running instance acknowledges, and the running instance needs
// this thread's event loop, so the sender runs on a pool thread.
QFuture<bool> sendInBackground(const QString& socketPath, const QStringList& paths,
                               int timeoutMs = 5000) {
    return QtConcurrent::run([socketPath, paths, timeoutMs] {
        SingleInstance sender(socketPath);
        return sender.sendToRunningInstance(paths, timeoutMs);
    });
}

bool finishedWith(QFuture<bool> future) {
    return QTest::qWaitFor([&future] { return future.isFinished(); }) && future.result();
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

QByteArrayList bytesOf(const QStringList& paths) {
    QByteArrayList bytes;
    for (const QString& path : paths)
        bytes.append(FileName::encode(path));
    return bytes;
}

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString socketPath() const { return dir.filePath(QStringLiteral("test.socket")); }

    // Connects a raw client that speaks whatever the test wants.
    std::unique_ptr<QLocalSocket> rawClient(const QByteArray& bytes) {
        auto client = std::make_unique<QLocalSocket>();
        client->connectToServer(socketPath());
        EXPECT_TRUE(client->waitForConnected(2000));
        client->write(bytes);
        client->flush();
        return client;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(SingleInstanceTest, RunningInstanceReceivesPathsAndAcknowledges) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    const QStringList paths{QStringLiteral("/photos/a.jpg"), QStringLiteral("/photos/b.png")};
    EXPECT_TRUE(finishedWith(sendInBackground(socketPath(), paths)));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), paths);
}

TEST_F(SingleInstanceTest, PlainRelaunchArrivesAsEmptyList) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    EXPECT_TRUE(finishedWith(sendInBackground(socketPath(), {})));
    ASSERT_EQ(received.count(), 1);
    EXPECT_TRUE(received.at(0).at(0).toStringList().isEmpty());
}

TEST_F(SingleInstanceTest, OddPathNamesSurviveTheTrip) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    const QStringList paths{
        QStringLiteral("/tmp/with space/file name.jpg"),
        QString::fromUtf8("/tmp/ünïcødé/写真 \xF0\x9F\x93\xB7.png"), // includes a surrogate pair
        QStringLiteral("/tmp/line\nbreak.gif"),
        QStringLiteral("/tmp/tab\tand\rreturn.tif"),
        QStringLiteral("/tmp/quotes'\"and$HOME;`x`.bmp"),
        QStringLiteral("/tmp/OVST"),
        QStringLiteral("/") + QString(4000, QLatin1Char('x')),
        FileName::decode("/tmp/caf\xe9.jpg"), // Latin-1, not UTF-8
    };
    EXPECT_TRUE(finishedWith(sendInBackground(socketPath(), paths)));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), paths);
}

TEST_F(SingleInstanceTest, LongListArrivingInPiecesIsDeliveredWhole) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    QStringList paths;
    for (int i = 0; i < 20000; ++i)
        paths.append(
            QStringLiteral("/a/rather/long/folder/name/for/many/images/image-%1.jpg").arg(i));
    EXPECT_TRUE(finishedWith(sendInBackground(socketPath(), paths, 20000)));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), paths);
}

TEST_F(SingleInstanceTest, SendingWithoutInstanceFailsWithoutWaitingOutTheTimeout) {
    SingleInstance sender(socketPath());
    QElapsedTimer clock;
    clock.start();
    // Nothing listens, so the connection is refused at once rather than timing out: first with
    // no socket file, then with a stale one.
    EXPECT_FALSE(sender.sendToRunningInstance({QStringLiteral("/a.jpg")}, 60000));
    QFile stale(socketPath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_FALSE(sender.sendToRunningInstance({}, 60000));
    EXPECT_LT(clock.elapsed(), 30000);
}

TEST_F(SingleInstanceTest, ListenRecoversPlainFileLeftAtSocketPath) {
    QFile stale(socketPath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("left over");
    stale.close();

    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);
    EXPECT_TRUE(finishedWith(sendInBackground(socketPath(), {QStringLiteral("/x.png")})));
    EXPECT_EQ(received.count(), 1);
}

TEST_F(SingleInstanceTest, ListenRecoversDeadSocketOfCrashedInstance) {
    // What a crash leaves behind: a bound socket file with nobody listening on it.
    const QByteArray name = QFile::encodeName(socketPath());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(name.size()), sizeof address.sun_path);
    memcpy(address.sun_path, name.constData(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(socketPath()));

    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);
    EXPECT_TRUE(finishedWith(sendInBackground(socketPath(), {QStringLiteral("/y.png")})));
    EXPECT_EQ(received.count(), 1);
}

TEST_F(SingleInstanceTest, SecondListenOnLivePathFailsAndLeavesFirstWorking) {
    SingleInstance first(socketPath());
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::filesReceived);
    {
        SingleInstance second(socketPath());
        EXPECT_FALSE(second.listen());
    }
    EXPECT_TRUE(finishedWith(sendInBackground(socketPath(), {QStringLiteral("/z.png")})));
    EXPECT_EQ(received.count(), 1);
}

TEST_F(SingleInstanceTest, ClosingRunningInstanceRemovesItsSocket) {
    {
        SingleInstance running(socketPath());
        ASSERT_TRUE(running.listen());
        EXPECT_TRUE(QFile::exists(socketPath()));
    }
    EXPECT_FALSE(QFile::exists(socketPath()));
    SingleInstance sender(socketPath());
    EXPECT_FALSE(sender.sendToRunningInstance({}, 2000));
}

TEST_F(SingleInstanceTest, GarbageClientIsDroppedAndLaterClientServed) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    auto garbage = rawClient(QByteArray("GET / HTTP/1.1\r\n\r\n"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return garbage->state() == QLocalSocket::UnconnectedState; }));

    EXPECT_TRUE(finishedWith(sendInBackground(socketPath(), {QStringLiteral("/good.jpg")})));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), QStringList{QStringLiteral("/good.jpg")});
}

TEST_F(SingleInstanceTest, OversizedMessageIsRefusedBeforeItsBody) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    auto greedy = rawClient(header(quint32(SingleInstance::maxMessageBytes + 1)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return greedy->state() == QLocalSocket::UnconnectedState; }));
    auto huge = rawClient(header(0xFFFFFFFFu));
    EXPECT_TRUE(QTest::qWaitFor([&] { return huge->state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(received.count(), 0);
}

TEST_F(SingleInstanceTest, MalformedBodiesAreRefused) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    const QByteArray entryOverrunsMessage = header(8) + QByteArray::fromHex("0000000961626364");
    const QByteArray emptyEntry = header(4) + QByteArray::fromHex("00000000");
    const QByteArray truncatedLength = header(2) + QByteArray::fromHex("0000");
    const QByteArray trailingBytes = header(0) + QByteArray("more");
    for (const QByteArray& bytes :
         {entryOverrunsMessage, emptyEntry, truncatedLength, trailingBytes}) {
        auto client = rawClient(bytes);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return client->state() == QLocalSocket::UnconnectedState;
        })) << bytes.toHex().constData();
        EXPECT_EQ(client->bytesAvailable(), 0) << "no acknowledgement for a malformed message";
    }
    EXPECT_EQ(received.count(), 0);
}

TEST_F(SingleInstanceTest, ClientStalledOrGoneHalfwayDoesNotBlockOthers) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    // Promises 100 bytes, sends a few and then stays silent.
    auto stalled = rawClient(header(100) + QByteArray("\x00\x00\x00", 3));
    // Sends half a header and hangs up.
    auto gone = rawClient(QByteArray("OVS"));
    gone->abort();
    gone.reset();

    EXPECT_TRUE(finishedWith(sendInBackground(socketPath(), {QStringLiteral("/ok.jpg")})));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), QStringList{QStringLiteral("/ok.jpg")});
    EXPECT_EQ(stalled->state(), QLocalSocket::ConnectedState);
}

TEST_F(SingleInstanceTest, RawArgumentsArriveAsThePathsTheViewerWouldOpen) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    // Qt's options and their values are no documents; empty arguments are dropped; names that
    // are not UTF-8, in the arguments and in the working folder, keep every byte.
    const QByteArrayList arguments{"a.jpg",
                                   "-platform",
                                   "xcb",
                                   "--style=fusion",
                                   "-reverse",
                                   "",
                                   "../up one.gif",
                                   "file:///srv/pho%20tos/x.png",
                                   "/abs/caf\xe9.jpg",
                                   "sub/./\xff\xfe.png",
                                   "-"};
    auto client = rawClient(argumentsMessage("/home/\xe9t\xe9/pics", arguments));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }));
    EXPECT_EQ(bytesOf(received.at(0).at(0).toStringList()),
              (QByteArrayList{"/home/\xe9t\xe9/pics/a.jpg", "/home/\xe9t\xe9/up one.gif",
                              "/srv/pho tos/x.png", "/abs/caf\xe9.jpg",
                              "/home/\xe9t\xe9/pics/sub/\xff\xfe.png", "/home/\xe9t\xe9/pics/-"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return client->bytesAvailable() > 0; }));
    EXPECT_EQ(client->read(1), QByteArray("K"));
}

TEST_F(SingleInstanceTest, ArgumentsWithoutDocumentsArePlainRelaunch) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    auto none = rawClient(argumentsMessage("/w", {}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }));
    auto onlyOptions = rawClient(argumentsMessage("/w", {"-platform", "offscreen", "-sync"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 2; }));
    EXPECT_TRUE(received.at(0).at(0).toStringList().isEmpty());
    EXPECT_TRUE(received.at(1).at(0).toStringList().isEmpty());
}

TEST_F(SingleInstanceTest, MalformedArgumentMessagesAreRefused) {
    SingleInstance running(socketPath());
    ASSERT_TRUE(running.listen());
    QSignalSpy received(&running, &SingleInstance::filesReceived);

    const QByteArray noWorkingFolder = header(0, "OVSA");
    const QByteArray emptyWorkingFolder = argumentsMessage("", {"a.jpg"});
    const QByteArray relativeWorkingFolder = argumentsMessage("pics", {"a.jpg"});
    const QByteArray nulInArgument = argumentsMessage("/w", {QByteArray("a\0b.jpg", 7)});
    const QByteArray nulInFolder = argumentsMessage(QByteArray("/w\0x", 4), {"a.jpg"});
    const QByteArray entryOverrunsMessage =
        header(12, "OVSA") + QByteArray::fromHex("000000022f77000000ff6162");
    const QByteArray truncatedLength = header(6, "OVSA") + QByteArray::fromHex("000000012f00");
    const QByteArray trailingBytes = argumentsMessage("/w", {"a.jpg"}) + "x";
    const QByteArray mixedMagic = header(0, "OVSX");
    for (const QByteArray& bytes :
         {noWorkingFolder, emptyWorkingFolder, relativeWorkingFolder, nulInArgument, nulInFolder,
          entryOverrunsMessage, truncatedLength, trailingBytes, mixedMagic}) {
        auto client = rawClient(bytes);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return client->state() == QLocalSocket::UnconnectedState;
        })) << bytes.toHex().constData();
        EXPECT_EQ(client->bytesAvailable(), 0) << "no acknowledgement for a malformed message";
    }
    auto oversized = rawClient(header(quint32(SingleInstance::maxMessageBytes + 1), "OVSA"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return oversized->state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(received.count(), 0);

    // And the instance still serves the next launch.
    auto good = rawClient(argumentsMessage("/w", {"ok.jpg"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }));
    EXPECT_EQ(received.at(0).at(0).toStringList(), QStringList{QStringLiteral("/w/ok.jpg")});
}

TEST(SingleInstanceArguments, QtOptionsAndTheirValuesAreLeftOut) {
    // Options with a value take the next argument unless it is given inline; a value-taking
    // option at the end takes nothing; a lone "-" and options Qt does not know are documents.
    EXPECT_EQ(SingleInstance::documentArguments({"-platform", "xcb", "a.jpg", "--style", "fusion",
                                                 "-style=fusion", "--platform=wayland", "b.jpg",
                                                 "-reverse", "--sync", "-", "-unknown", "c.jpg",
                                                 "-display"}),
              (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("-"),
                           QStringLiteral("-unknown"), QStringLiteral("c.jpg")}));
    // The value of an option is taken whatever it looks like, even a name of an image.
    EXPECT_EQ(SingleInstance::documentArguments({"-title", "photo.jpg", "d.jpg"}),
              QStringList{QStringLiteral("d.jpg")});
    EXPECT_EQ(SingleInstance::documentArguments({"caf\xe9.jpg"}),
              QStringList{FileName::decode("caf\xe9.jpg")});
}

TEST(SingleInstancePaths, RelativeArgumentsResolveAgainstWorkingDirectory) {
    const QString cwd = QStringLiteral("/home/user/pictures");
    const QStringList resolved = SingleInstance::absolutePaths(
        {QStringLiteral("a.jpg"), QStringLiteral("sub/b c.png"), QStringLiteral("../up.gif"),
         QStringLiteral("./here.bmp"), QStringLiteral("/abs/olute.tif"),
         QStringLiteral("does-not-exist.jpg")},
        cwd);
    EXPECT_EQ(resolved, (QStringList{QStringLiteral("/home/user/pictures/a.jpg"),
                                     QStringLiteral("/home/user/pictures/sub/b c.png"),
                                     QStringLiteral("/home/user/up.gif"),
                                     QStringLiteral("/home/user/pictures/here.bmp"),
                                     QStringLiteral("/abs/olute.tif"),
                                     QStringLiteral("/home/user/pictures/does-not-exist.jpg")}));
}

TEST(SingleInstancePaths, EmptyArgumentsAreDroppedAndFileUrlsBecomePaths) {
    const QStringList resolved = SingleInstance::absolutePaths(
        {QString(), QStringLiteral("file:///srv/pho%20tos/x.jpg"), QStringLiteral("y.jpg")},
        QStringLiteral("/w"));
    EXPECT_EQ(resolved,
              (QStringList{QStringLiteral("/srv/pho tos/x.jpg"), QStringLiteral("/w/y.jpg")}));
}

TEST(SingleInstancePaths, SymbolicLinksAreNotResolved) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("link"))));
    const QStringList resolved =
        SingleInstance::absolutePaths({QStringLiteral("link/image.png")}, dir.path());
    EXPECT_EQ(resolved, QStringList{dir.filePath(QStringLiteral("link/image.png"))});
}
