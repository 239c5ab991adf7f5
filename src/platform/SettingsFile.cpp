#include "platform/SettingsFile.h"

#include "platform/AtomicFileWriter.h"
#include "platform/FileStamp.h"
#include "platform/StoredVariantCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryFile>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// One value, or one element of a list: "@@text", "@Type(...)" or no '@'.
bool isSoundElement(QByteArrayView element) {
    element = trimmed(element);
    if (element.size() >= 2 && element.front() == '"' && element.back() == '"')
        element = element.sliced(1, element.size() - 2);
    if (element.isEmpty() || element.front() != '@' || element.startsWith("@@"))
        return true;
    qsizetype at = 1;
    while (at < element.size() && isLetter(element.at(at)))
        ++at;
    return at > 1 && at < element.size() && element.at(at) == '(' && element.back() == ')';
}

const char* valueDamage(QByteArrayView value) {
    bool quoted = false;
    qsizetype elementStart = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value.at(i);
        if (c == '\\') {
            if (++i == value.size())
                return "a value ends in a lone backslash";
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            if (!isSoundElement(value.sliced(elementStart, i - elementStart)))
                return "a typed value is cut short";
            elementStart = i + 1;
        }
    }
    if (quoted)
        return "a quote is not closed";
    if (!isSoundElement(value.sliced(elementStart)))
        return "a typed value is cut short";
    return nullptr;
}

const char* lineDamage(QByteArrayView line) {
    line = trimmed(line);
    if (line.isEmpty() || line.front() == ';' || line.front() == '#')
        return nullptr;
    if (line.front() == '[')
        return line.back() == ']' && line.size() > 2 ? nullptr : "a section header is cut short";
    const qsizetype equals = line.indexOf('=');
    // An empty key is Qt's own: it reads "=value" and writes it back.
    if (equals < 0)
        return "a line is not key=value";
    return valueDamage(line.sliced(equals + 1));
}

struct Session {
    QMutex mutex;
    QHash<QString, QVariantMap> held;
    QSet<QString> logged;
    // Files whose unsafe values were taken out this session, as they were
    // left: their copy is the original, so they may be written.
    QHash<QString, FileStamp> repaired;
    // Files found safe to read, as they were then: the check reads the
    // file, and the application's store is opened for every look-up.
    QHash<QString, FileStamp> safe;
};

Session& session() {
    // Never destroyed: a write may run while the process exits.
    static auto* state = new Session;
    return *state;
}

bool wasReplaced(const std::optional<FileStamp>& before, const std::optional<FileStamp>& after) {
    // Qt writes a new file and renames it over the old one, so a written
    // file is always another file.
    return after && (!before || !after->isSameFile(*before) || after->modified != before->modified);
}

} // namespace

QString SettingsFile::damage(QByteArrayView bytes) {
    if (bytes.size() > maximumBytes)
        return QStringLiteral("it is larger than %1 bytes").arg(maximumBytes);
    if (bytes.contains('\0'))
        return QStringLiteral("it holds a NUL byte");
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoding runs as the result is taken.
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QStringLiteral("it is not UTF-8");
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    qsizetype start = 0;
    int number = 1;
    while (start <= bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        if (const char* why = lineDamage(bytes.sliced(start, end - start)))
            return QStringLiteral("line %1: %2").arg(number).arg(QLatin1String(why));
        if (end + 1 < bytes.size() && bytes.at(end) == '\r' && bytes.at(end + 1) == '\n')
            ++end;
        start = end + 1;
        ++number;
    }
    return QString();
}

bool SettingsFile::variantsAreSafe(QByteArrayView bytes) {
    static const QByteArray stored("@Variant(");
    if (!bytes.contains(stored))
        return true;
    // Qt reads the bytes with every stored variant turned into text, which
    // gives exactly the bytes its reader would have decoded.
    // Without a temporary file there is no telling, and the file is read as
    // it always was rather than stripped of its folder grants.
    QTemporaryFile file;
    if (!file.open())
        return true;
    QByteArray text = bytes.toByteArray();
    text.replace(stored, "@" + stored);
    if (file.write(text) != text.size() || !file.flush())
        return true;
    const QSettings read(file.fileName(), QSettings::IniFormat);
    for (const QString& key : read.allKeys()) {
        const QVariant value = read.value(key);
        const QStringList items = value.typeId() == QMetaType::QStringList
                                      ? value.toStringList()
                                      : QStringList{value.toString()};
        for (const QString& item : items) {
            if (item.startsWith(QLatin1String(stored)) &&
                !StoredVariantCheck::isSafe(item.toLatin1().sliced(stored.size())))
                return false;
        }
    }
    return true;
}

bool SettingsFile::prepareToRead(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return true;
    if (file.size() > maximumBytes || !file.open(QIODevice::ReadOnly))
        return false;
    Session& state = session();
    const std::optional<FileStamp> before = FileStamp::of(path);
    {
        const QMutexLocker locker(&state.mutex);
        const auto safe = state.safe.constFind(path);
        if (before && safe != state.safe.constEnd() && *safe == *before)
            return true;
    }
    const QByteArray bytes = file.read(maximumBytes + 1);
    if (variantsAreSafe(bytes)) {
        const QMutexLocker locker(&state.mutex);
        if (before)
            state.safe.insert(path, *before);
        return true;
    }
    // The lines that are unsafe on their own go; should a value run on over
    // lines and stay unsafe, every stored variant goes.
    QByteArrayList lines = bytes.split('\n');
    for (QByteArray& line : lines) {
        if (!variantsAreSafe("[General]\n" + line))
            line.clear();
    }
    QByteArray repaired = lines.join('\n');
    if (!variantsAreSafe(repaired)) {
        for (QByteArray& line : lines) {
            if (line.contains("@Variant("))
                line.clear();
        }
        repaired = lines.join('\n');
    }
    const QMutexLocker locker(&state.mutex);
    QString reason;
    AtomicFileWriter writer;
    if (!keepCopy(path, bytes, QStringLiteral("it holds a value Qt cannot read safely"), &reason) ||
        !writer.write(path, repaired)) {
        if (!state.logged.contains(path)) {
            state.logged.insert(path);
            qWarning("Settings: %s is not read (it holds a value Qt cannot read safely): %s",
                     qPrintable(path),
                     qPrintable(reason.isEmpty() ? writer.errorString() : reason));
        }
        return false;
    }
    if (const std::optional<FileStamp> stamp = FileStamp::of(path)) {
        state.repaired.insert(path, *stamp);
        state.safe.insert(path, *stamp);
    }
    return true;
}

bool SettingsFile::keepCopy(const QString& path, const QByteArray& bytes, const QString& damaged,
                            QString* reason) {
    const QString backup = backupPath(path);
    QFile kept(backup);
    if (kept.exists()) {
        // The copy of an earlier damaged file is the user's and stays; one
        // of this very file lets the rewrite go ahead.
        if (kept.size() == bytes.size() && kept.open(QIODevice::ReadOnly) &&
            kept.read(maximumBytes + 1) == bytes)
            return true;
        *reason = QStringLiteral("%1, and %2 holds an earlier copy").arg(damaged, backup);
        return false;
    }
    AtomicFileWriter writer;
    if (!writer.write(backup, bytes)) {
        *reason =
            QStringLiteral("%1, and no copy could be kept: %2").arg(damaged, writer.errorString());
        return false;
    }
    qWarning("Settings: %s was damaged (%s); its bytes are kept in %s", qPrintable(path),
             qPrintable(damaged), qPrintable(backup));
    return true;
}

bool SettingsFile::prepare(const QString& path, QString* reason) {
    QFile file(path);
    if (!file.exists())
        return true;
    if (file.size() > maximumBytes) {
        *reason = QStringLiteral("it is larger than %1 bytes").arg(maximumBytes);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    const QByteArray bytes = file.read(maximumBytes + 1);
    const QString damaged = damage(bytes);
    if (damaged.isEmpty())
        return true;
    const auto repaired = session().repaired.constFind(path);
    if (repaired != session().repaired.constEnd() && FileStamp::of(path) == *repaired)
        return true;
    return keepCopy(path, bytes, damaged, reason);
}

bool SettingsFile::write(QSettings* store, const QString& path, const QVariantMap& values) {
    Session& state = session();
    const QMutexLocker locker(&state.mutex);
    QVariantMap all = state.held.value(path);
    for (auto it = values.begin(); it != values.end(); ++it)
        all.insert(it.key(), it.value());
    QString reason;
    bool written = false;
    if (store && prepare(path, &reason)) {
        const std::optional<FileStamp> before = FileStamp::of(path);
        for (auto it = all.begin(); it != all.end(); ++it)
            store->setValue(it.key(), it.value());
        store->sync();
        written = wasReplaced(before, FileStamp::of(path));
        if (!written)
            reason = QStringLiteral("it could not be written");
    } else if (!store && reason.isEmpty()) {
        reason = QStringLiteral("it is larger than %1 bytes").arg(maximumBytes);
    }
    if (written) {
        state.held.remove(path);
        return true;
    }
    state.held.insert(path, all);
    if (!state.logged.contains(path)) {
        state.logged.insert(path);
        qWarning("Settings: %s is not saved (%s); changes are kept for this session",
                 qPrintable(path), qPrintable(reason));
    }
    return false;
}

std::optional<QVariant> SettingsFile::held(const QString& path, const QString& key) {
    Session& state = session();
    const QMutexLocker locker(&state.mutex);
    const auto file = state.held.constFind(path);
    if (file == state.held.constEnd())
        return std::nullopt;
    const auto value = file->constFind(key);
    if (value == file->constEnd())
        return std::nullopt;
    return *value;
}

void SettingsFile::reset() {
    Session& state = session();
    const QMutexLocker locker(&state.mutex);
    state.held.clear();
    state.logged.clear();
    state.repaired.clear();
    state.safe.clear();
}
