#include "app/SingleInstance.h"
#include "platform/FileName.h"

#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>
#include <QtEndian>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

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
    bool send(const QStringList& paths, int timeoutMs = 5000) {
        QFuture<bool> future = QtConcurrent::run([path = socketPath(), paths, timeoutMs] {
            return SingleInstance(path).sendToRunningInstance(paths, timeoutMs);
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
}

TEST_F(SingleInstanceTest, ListenRecoversWhatAnEarlierInstanceLeftAtTheSocketPath) {
    for (bool deadSocket : {false, true}) {
        SCOPED_TRACE(deadSocket);
        if (deadSocket) {
            // What a crash leaves behind: a bound socket file with nobody listening on it.
            const QByteArray name = QFile::encodeName(socketPath());
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            memcpy(address.sun_path, name.constData(), name.size());
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            ::close(fd);
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
