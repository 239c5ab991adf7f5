#include "app/SingleInstance.h"

#include "app/InstanceMessage.h"
#include "platform/CommandLine.h"
#include "platform/FileName.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <string_view>
#include <unistd.h>

namespace {

using Parse = InstanceMessage::Parse;
constexpr int headerBytes = InstanceMessage::headerBytes;
constexpr char ack = 'K';
// A client that has not delivered its message by then is dropped, so a stuck or idle client
// costs nothing for long.
constexpr int clientTimeoutMs = 10000;
// Bounds what the socket buffers ahead of the parser; the rest waits in the kernel.
constexpr qint64 socketReadBufferBytes = 1024 * 1024;
// A live instance accepts at once (the kernel queues the connection); refusal is immediate too.
constexpr int probeTimeoutMs = 1000;
constexpr int lockTimeoutMs = 3000;

} // namespace

SingleInstance::SingleInstance(const QString& socketPath, QObject* parent)
    : QObject(parent), path(socketPath) {}

SingleInstance::~SingleInstance() {
    // Closing removes the socket file, so the next launch finds no stale one.
    if (server)
        server->close();
}

QString SingleInstance::defaultSocketPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) // no usable runtime folder: a per-user name in the temporary folder
        return QDir::tempPath() + QStringLiteral("/ovisto-%1.socket").arg(::getuid());
    return dir + QStringLiteral("/ovisto.socket");
}

QStringList SingleInstance::absolutePaths(const QStringList& args, const QString& workingDir) {
    const QDir base(QDir(workingDir).absolutePath());
    QStringList result;
    result.reserve(args.size());
    for (const QString& arg : args) {
        if (arg.isEmpty())
            continue;
        QString p = arg;
        if (arg.startsWith(QLatin1String("file://"))) {
            p = QUrl(arg).toLocalFile();
            if (p.isEmpty())
                continue;
        }
        // cleanPath is lexical: it folds "." and ".." but never looks at the file system.
        result.append(QDir::cleanPath(base.absoluteFilePath(p)));
    }
    return result;
}

QStringList SingleInstance::documentArguments(const QByteArrayList& arguments) {
    std::vector<std::string_view> views;
    for (const QByteArray& argument : arguments)
        views.emplace_back(argument.constData(), size_t(argument.size()));
    QStringList documents;
    for (const size_t index : CommandLine::parse(views).documents)
        documents.append(FileName::decode(arguments[qsizetype(index)]));
    return documents;
}

bool SingleInstance::sendToRunningInstance(const QStringList& absolutePaths, int timeoutMs,
                                           bool fullScreen, bool slideshow) {
    const QByteArray message = InstanceMessage::encode(absolutePaths, {fullScreen, slideshow});
    if (message.isEmpty()) {
        qWarning("SingleInstance: too many paths to hand over in one message");
        return false;
    }
    const QDeadlineTimer deadline(qMax(0, timeoutMs));
    auto remaining = [&deadline] { return int(qMax<qint64>(0, deadline.remainingTime())); };

    // Blocking calls on purpose: the sender is a short-lived process with no event loop yet.
    QLocalSocket socket;
    socket.connectToServer(path);
    if (socket.state() != QLocalSocket::ConnectedState && !socket.waitForConnected(remaining()))
        return false;
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(remaining()))
            return false;
    }
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(remaining()))
            return false;
    }
    char reply = 0;
    const bool taken = socket.getChar(&reply) && reply == ack;
    socket.disconnectFromServer();
    return taken;
}

bool SingleInstance::listen() {
    if (server && server->isListening())
        return true;
    if (!server) {
        server = new QLocalServer(this);
        // No socket options: with them Qt binds elsewhere and renames over the path, which would
        // silently replace a live instance's socket. The runtime folder is private to the user.
        connect(server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    }
    if (server->listen(path))
        return true;
    if (server->serverError() != QAbstractSocket::AddressInUseError) {
        qWarning("SingleInstance: cannot listen on %s: %s", qUtf8Printable(path),
                 qUtf8Printable(server->errorString()));
        return false;
    }
    // Two launches after a crash must not both take the stale socket away, the second one
    // removing the socket the first has just made: the check and the removal go under a lock.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(lockTimeoutMs))
        qWarning("SingleInstance: going on without the lock %s", qUtf8Printable(lock.fileName()));
    if (server->listen(path))
        return true;
    if (liveInstanceAnswers())
        return false;
    // Left behind by an instance that did not shut down cleanly.
    QLocalServer::removeServer(path);
    if (server->listen(path))
        return true;
    qWarning("SingleInstance: cannot listen on %s: %s", qUtf8Printable(path),
             qUtf8Printable(server->errorString()));
    return false;
}

bool SingleInstance::liveInstanceAnswers() const {
    QLocalSocket probe;
    probe.connectToServer(path);
    const bool live =
        probe.state() == QLocalSocket::ConnectedState || probe.waitForConnected(probeTimeoutMs);
    probe.abort();
    return live;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server->nextPendingConnection())
        serve(socket);
}

void SingleInstance::serve(QLocalSocket* socket) {
    socket->setReadBufferSize(socketReadBufferBytes);
    auto received = std::make_shared<QByteArray>();
    auto* timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, socket, &QLocalSocket::abort);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);

    auto readMore = [this, socket, received, timeout] {
        if (!timeout->isActive())
            return; // answered or given up already
        // Read only up to the end of the declared message plus one byte, which would be an
        // error: the buffer never grows past one maximal message.
        while (socket->bytesAvailable() > 0) {
            qint64 payloadBytes = 0;
            if (InstanceMessage::parseHeader(*received, payloadBytes) == Parse::Invalid)
                break;
            const qint64 target =
                received->size() < headerBytes ? headerBytes : headerBytes + payloadBytes;
            received->append(
                socket->read(qMin(target - received->size() + 1, socket->bytesAvailable())));
        }
        QStringList paths;
        InstanceMessage::Start start;
        switch (InstanceMessage::decode(*received, paths, &start)) {
        case Parse::NeedMore:
            return;
        case Parse::Invalid:
            timeout->stop();
            received->clear();
            socket->abort();
            return;
        case Parse::Complete:
            timeout->stop();
            received->clear();
            socket->write(&ack, 1);
            socket->flush();
            socket->disconnectFromServer();
            emit filesReceived(paths, start.fullScreen, start.slideshow);
            return;
        }
    };
    connect(socket, &QLocalSocket::readyRead, this, readMore);
    timeout->start(clientTimeoutMs);

    if (socket->state() != QLocalSocket::ConnectedState)
        socket->deleteLater();
    else if (socket->bytesAvailable() > 0)
        readMore();
}
