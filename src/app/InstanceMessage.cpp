#include "app/InstanceMessage.h"

#include "app/SingleInstance.h"
#include "platform/CommandLine.h"
#include "platform/FileName.h"

#include <QByteArrayList>
#include <QtEndian>

#include <cstring>

namespace {

using Parse = InstanceMessage::Parse;

constexpr char pathsMagic[4] = {'O', 'V', 'S', 'T'};
constexpr char argumentsMagic[4] = {'O', 'V', 'S', 'A'};

void appendBigEndian(QByteArray& out, quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

quint32 readBigEndian(const char* at) {
    return qFromBigEndian<quint32>(at);
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
Parse argumentsToPaths(QByteArrayList entries, QStringList& paths, InstanceMessage::Start* start) {
    if (entries.isEmpty() || !entries.first().startsWith('/'))
        return Parse::Invalid;
    for (const QByteArray& entry : entries) {
        if (entry.contains('\0'))
            return Parse::Invalid;
    }
    const QString workingDir = FileName::decode(entries.takeFirst());
    paths = SingleInstance::absolutePaths(SingleInstance::documentArguments(entries), workingDir);
    if (start) {
        std::vector<std::string_view> arguments;
        for (const QByteArray& entry : entries)
            arguments.emplace_back(entry.constData(), size_t(entry.size()));
        const CommandLine line = CommandLine::parse(arguments);
        *start = {line.fullScreen, line.slideshow};
    }
    return Parse::Complete;
}

} // namespace

QByteArray InstanceMessage::encode(const QStringList& paths, Start start) {
    // The options travel as a command line would carry them, from the root
    // folder, so that the absolute paths after "--" stay as they are.
    const bool withOptions = start.fullScreen || start.slideshow;
    QByteArrayList entries;
    if (withOptions) {
        entries << QByteArrayLiteral("/");
        if (start.fullScreen)
            entries << QByteArrayLiteral("-f");
        if (start.slideshow)
            entries << QByteArrayLiteral("-s");
        entries << QByteArrayLiteral("--");
    }
    for (const QString& p : paths) {
        // The name's bytes as the file system has them, so that a name that
        // is not UTF-8 still names its file on the other side.
        if (!p.isEmpty())
            entries << FileName::encode(p);
    }
    QByteArray payload;
    if (entries.size() > SingleInstance::maxPathCount)
        return {};
    for (const QByteArray& entry : entries) {
        if (payload.size() + 4 + entry.size() > SingleInstance::maxMessageBytes)
            return {};
        appendBigEndian(payload, quint32(entry.size()));
        payload.append(entry);
    }
    QByteArray message(withOptions ? argumentsMagic : pathsMagic, 4);
    appendBigEndian(message, quint32(payload.size()));
    message.append(payload);
    return message;
}

InstanceMessage::Parse InstanceMessage::parseHeader(const QByteArray& data, qint64& payloadBytes) {
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

InstanceMessage::Parse InstanceMessage::decode(const QByteArray& data, QStringList& paths,
                                               Start* start) {
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
        return argumentsToPaths(std::move(entries), paths, start);
    for (const QByteArray& entry : entries)
        paths.append(FileName::decode(entry));
    return Parse::Complete;
}
