#include "app/SingleInstance.h"

#include "platform/FileName.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

#include <cstring>
#include <memory>
#include <set>
#include <string_view>
#include <unistd.h>

namespace {

constexpr char pathsMagic[4] = {'O', 'V', 'S', 'T'};
constexpr char argumentsMagic[4] = {'O', 'V', 'S', 'A'};
constexpr int headerBytes = 8; // magic + payload length
constexpr char ack = 'K';
// A client that has not delivered its message by then is dropped, so a stuck or idle client
// costs nothing for long.
constexpr int clientTimeoutMs = 10000;
// Bounds what the socket buffers ahead of the parser; the rest waits in the kernel.
constexpr qint64 socketReadBufferBytes = 1024 * 1024;
// A live instance accepts at once (the kernel queues the connection); refusal is immediate too.
constexpr int probeTimeoutMs = 1000;
constexpr int lockTimeoutMs = 3000;

void appendBigEndian(QByteArray& out, quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

quint32 readBigEndian(const char* at) {
    return qFromBigEndian<quint32>(at);
}

// Empty when the paths do not fit into one message.
QByteArray encode(const QStringList& paths) {
    QByteArray payload;
    int count = 0;
    for (const QString& p : paths) {
        if (p.isEmpty())
            continue;
        // The name's bytes as the file system has them, so that a name that
        // is not UTF-8 still names its file on the other side.
        const QByteArray name = FileName::encode(p);
        if (++count > SingleInstance::maxPathCount ||
            payload.size() + 4 + name.size() > SingleInstance::maxMessageBytes)
            return {};
        appendBigEndian(payload, quint32(name.size()));
        payload.append(name);
    }
    QByteArray message(pathsMagic, sizeof pathsMagic);
    appendBigEndian(message, quint32(payload.size()));
    message.append(payload);
    return message;
}

enum class Parse { NeedMore, Complete, Invalid };

// Checks the header as soon as it is there, so an oversized or foreign message is refused
// before its body is buffered.
Parse parseHeader(const QByteArray& data, qint64& payloadBytes) {
    const qsizetype seen = qMin<qsizetype>(data.size(), sizeof pathsMagic);
    if (memcmp(data.constData(), pathsMagic, seen) != 0 &&
        memcmp(data.constData(), argumentsMagic, seen) != 0)
        return Parse::Invalid;
    if (data.size() < headerBytes)
        return Parse::NeedMore;
    payloadBytes = readBigEndian(data.constData() + 4);
    if (payloadBytes > SingleInstance::maxMessageBytes)
        return Parse::Invalid;
    if (data.size() > headerBytes + payloadBytes)
        return Parse::Invalid; // one message per connection, nothing after it
    return data.size() == headerBytes + payloadBytes ? Parse::Complete : Parse::NeedMore;
}

// The entries of a complete message; empty ones only where the kind allows them.
Parse splitEntries(const char* at, const char* end, bool allowEmpty, QByteArrayList& entries) {
    while (at < end) {
        if (end - at < 4 || entries.size() >= SingleInstance::maxPathCount)
            return Parse::Invalid;
        const quint32 length = readBigEndian(at);
        at += 4;
        if ((length == 0 && !allowEmpty) || length > quint32(end - at))
            return Parse::Invalid;
        entries.append(QByteArray(at, qsizetype(length)));
        at += length;
    }
    return Parse::Complete;
}

// A working folder and raw arguments, turned into paths by the rules the viewer applies to its
// own command line.
Parse argumentsToPaths(QByteArrayList entries, QStringList& paths) {
    if (entries.isEmpty() || !entries.first().startsWith('/'))
        return Parse::Invalid;
    for (const QByteArray& entry : entries) {
        if (entry.contains('\0'))
            return Parse::Invalid;
    }
    const QString workingDir = FileName::decode(entries.takeFirst());
    paths = SingleInstance::absolutePaths(SingleInstance::documentArguments(entries), workingDir);
    return Parse::Complete;
}

Parse decode(const QByteArray& data, QStringList& paths) {
    qint64 payloadBytes = 0;
    const Parse header = parseHeader(data, payloadBytes);
    if (header != Parse::Complete)
        return header;
    const bool arguments = data.startsWith(QByteArrayView(argumentsMagic, sizeof argumentsMagic));
    const char* at = data.constData() + headerBytes;
    QByteArrayList entries;
    if (splitEntries(at, at + payloadBytes, arguments, entries) == Parse::Invalid)
        return Parse::Invalid;
    if (arguments)
        return argumentsToPaths(std::move(entries), paths);
    for (const QByteArray& entry : entries)
        paths.append(FileName::decode(entry));
    return Parse::Complete;
}

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
    static const std::set<std::string_view> withValue = {"platform",
                                                         "platformpluginpath",
                                                         "platformtheme",
                                                         "plugin",
                                                         "qwindowgeometry",
                                                         "qwindowicon",
                                                         "qwindowtitle",
                                                         "session",
                                                         "style",
                                                         "stylesheet",
                                                         "display",
                                                         "geometry",
                                                         "title",
                                                         "name",
                                                         "fn",
                                                         "font",
                                                         "bg",
                                                         "background",
                                                         "fg",
                                                         "foreground",
                                                         "btn",
                                                         "button",
                                                         "im",
                                                         "inputstyle",
                                                         "visual",
                                                         "ncols",
                                                         "cmap"};
    static const std::set<std::string_view> flags = {"reverse", "widgetcount", "nograb",
                                                     "dograb",  "sync",        "testability"};
    QStringList documents;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const std::string_view argument(arguments[i].constData(), size_t(arguments[i].size()));
        if (argument.size() > 1 && argument[0] == '-') {
            std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
            const bool inline_value = name.find('=') != std::string_view::npos;
            name = name.substr(0, name.find('='));
            if (withValue.count(name)) {
                if (!inline_value)
                    ++i;
                continue;
            }
            if (flags.count(name))
                continue;
        }
        documents.append(FileName::decode(arguments[i]));
    }
    return documents;
}

bool SingleInstance::sendToRunningInstance(const QStringList& absolutePaths, int timeoutMs) {
    const QByteArray message = encode(absolutePaths);
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
            if (parseHeader(*received, payloadBytes) == Parse::Invalid)
                break;
            const qint64 target =
                received->size() < headerBytes ? headerBytes : headerBytes + payloadBytes;
            received->append(
                socket->read(qMin(target - received->size() + 1, socket->bytesAvailable())));
        }
        QStringList paths;
        switch (decode(*received, paths)) {
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
            emit filesReceived(paths);
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
