#pragma once

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

// The one message a second launch sends the running instance, in the wire
// format SingleInstance describes: building it and taking it apart, apart
// from the socket so that any bytes can be put through the parser.
class InstanceMessage {
  public:
    enum class Parse { NeedMore, Complete, Invalid };

    static constexpr int headerBytes = 8; // kind + payload length

    // Whether a command line asked for full screen or the slideshow.
    struct Start {
        bool fullScreen = false;
        bool slideshow = false;
    };
    // A paths message (absolute paths); with `start` asking for anything, an
    // arguments message that carries it. Empty when the paths do not fit
    // into one message.
    static QByteArray encode(const QStringList& paths, Start start);
    static QByteArray encode(const QStringList& paths) { return encode(paths, Start{}); }
    // Checks the header as soon as it is there, so an oversized or foreign
    // message is refused before its body is buffered.
    static Parse parseHeader(const QByteArray& data, qint64& payloadBytes);
    // The paths of a whole message, and its command line's start.
    static Parse decode(const QByteArray& data, QStringList& paths, Start* start = nullptr);
};
