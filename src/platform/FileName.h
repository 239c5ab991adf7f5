#pragma once

#include <QByteArray>
#include <QString>

// File names as the file system has them: bytes, usually but not always
// UTF-8. A name that is not valid UTF-8 (a Latin-1 "café" from an old
// archive) must still open, so decoding keeps every byte: each byte that is
// not part of valid UTF-8 becomes the lone surrogate U+DC80 + byte, which no
// valid name decodes to, and encoding turns it back into that byte.
class FileName {
  public:
    // Valid UTF-8 decodes as usual; every other byte is escaped.
    static QString decode(const QByteArray& bytes);
    static QString decode(const char* bytes);
    // The exact bytes decode() was given.
    static QByteArray encode(const QString& name);
    // For showing (a window title): escaped bytes and control characters
    // become U+FFFD.
    static QString display(const QString& name);
};
