#include "platform/RecentDocuments.h"

#include <QCoreApplication>
#include <QSettings>

namespace {
QSettings recentStore() {
    return QSettings(QCoreApplication::organizationName(),
                     QCoreApplication::applicationName() + QStringLiteral("-recent"));
}
const QString key = QStringLiteral("documents");
} // namespace

RecentDocuments::RecentDocuments(QObject* parent) : QObject(parent) {
    paths = recentStore().value(key).toStringList();
    while (paths.size() > maximumCount)
        paths.removeLast();
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
    recentStore().setValue(key, paths);
}
