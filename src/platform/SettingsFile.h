#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

class QSettings;

// A preferences file of ours in QSettings' INI form, and what stands between
// it and damage: whether its bytes are sound, the copy kept beside it
// (NAME.bak) before a damaged one is written over, and the values held in
// memory for the session where it cannot be written.
//
// Qt's reader never fails outright: it reports a format error for some
// damage (a section header cut short) but reads garbage bytes, lines without
// '=', NUL bytes (the value ends there), invalid UTF-8 (replaced) and an
// unclosed quote (which swallows the lines after it) without a word, and its
// next write drops or rewrites whatever it could not take. So the bytes are
// judged here, by the form Qt itself writes; anything else is damage:
//  - more than maximumBytes, a NUL byte, or bytes that are not UTF-8;
//  - a line that is neither blank, a ';' or '#' comment, a whole "[section]"
//    nor "key=value";
//  - a value with an unclosed quote or ending in a lone backslash (Qt
//    writes "\n" and "\\" instead, so either means a cut or a hand edit);
//  - a value, or an element of a comma-separated list, starting with '@'
//    that is neither "@@..." nor a whole "@Type(...)".
// A missing last newline, CR LF line ends and a long line are sound.
class SettingsFile {
  public:
    // Far above anything the viewer writes (its folder bookmarks are the
    // bulk): a larger file is neither read nor written over.
    static constexpr qint64 maximumBytes = qint64(1) << 20;

    // Why the bytes are damaged; empty when they are sound.
    static QString damage(QByteArrayView bytes);
    static QString backupPath(const QString& path) { return path + QStringLiteral(".bak"); }
    // Whether Qt may read the file: false when it is too large. A stored
    // value Qt could not decode safely (see StoredVariantCheck) is taken out
    // first, its lines dropped once the file's bytes are kept in the backup;
    // false when they cannot be.
    static bool prepareToRead(const QString& path);
    // Whether every stored variant in the bytes is one Qt decodes safely.
    static bool variantsAreSafe(QByteArrayView bytes);

    // Sets `values` in `store` (the file at `path`; none when it is not read)
    // and writes the file. A damaged file is first copied to the backup
    // path, unless a backup with other bytes is there already, which is
    // then kept and the file left alone. Whatever is not written is held
    // for the session and written with the next values that can be; the
    // first failure for a file is logged. False when the file was not
    // written.
    static bool write(QSettings* store, const QString& path, const QVariantMap& values);
    // A value set for the file this session that could not be written.
    static std::optional<QVariant> held(const QString& path, const QString& key);
    // Forgets every held value and logged failure (for tests).
    static void reset();

  private:
    static bool prepare(const QString& path, QString* reason);
    static bool keepCopy(const QString& path, const QByteArray& bytes, const QString& damaged,
                         QString* reason);
};
