#include "platform/RecentDocuments.h"

#include "platform/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

namespace {
const QString key = QStringLiteral("documents");

// The file QSettings keeps the application's store in, known before it reads it.
QString applicationStorePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + QCoreApplication::organizationName() + QLatin1Char('/') +
           QCoreApplication::applicationName() + QStringLiteral("-recent.conf");
}

// Nothing when the file is too large to be read.
std::unique_ptr<QSettings> openStore(const QString& path) {
    if (!SettingsFile::prepareToRead(path))
        return nullptr;
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}
} // namespace

RecentDocuments::RecentDocuments(QObject* parent)
    : RecentDocuments(applicationStorePath(), parent) {}

RecentDocuments::RecentDocuments(const QString& storePath, QObject* parent)
    : QObject(parent), storePath(storePath) {
    load();
}

QStringList RecentDocuments::readable(const QVariant& stored) {
    QStringList kept;
    // One entry is stored as text, more as a list; anything else holds none.
    QStringList entries;
    if (stored.typeId() == QMetaType::QString)
        entries.append(stored.toString());
    else if (stored.typeId() == QMetaType::QStringList)
        entries = stored.toStringList();
    for (const QString& entry : std::as_const(entries)) {
        if (kept.size() == maximumCount)
            break;
        if (QDir::isAbsolutePath(entry) && !entry.contains(QChar(u'\0')) && !kept.contains(entry))
            kept.append(entry);
    }
    return kept;
}

void RecentDocuments::load() {
    if (auto held = SettingsFile::held(storePath, key)) {
        paths = readable(*held);
        return;
    }
    const std::unique_ptr<QSettings> store = openStore(storePath);
    paths = store ? readable(store->value(key)) : QStringList();
}

void RecentDocuments::noteNewRecentDocument(const QString& path) {
    if (path.isEmpty())
        return;
    paths.removeAll(path);
    paths.prepend(path);
    while (paths.size() > maximumCount)
        paths.removeLast();
    save();
    emit changed();
}

void RecentDocuments::clearRecentDocuments() {
    paths.clear();
    save();
    emit changed();
}

void RecentDocuments::save() const {
    const std::unique_ptr<QSettings> store = openStore(storePath);
    SettingsFile::write(store.get(), storePath, {{key, paths}});
}
