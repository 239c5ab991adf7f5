#include "platform/SettingsFile.h"

#include "platform/AtomicFileWriter.h"
#include "platform/FileStamp.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QSettings>
#include <QStringDecoder>

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

bool SettingsFile::isReadable(const QString& path) {
    const QFileInfo info(path);
    return !info.exists() || info.size() <= maximumBytes;
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
}
