#include "viewer/FolderGrants.h"

#include "core/NotificationCenter.h"
#include "core/Settings.h"
#include "platform/DocumentPortal.h"
#include "platform/FolderBookmark.h"
#include "platform/FolderListing.h"

#include <QScopeGuard>
#include <algorithm>

namespace {
FolderGrants::Chooser& installedChooser() {
    static FolderGrants::Chooser chooser;
    return chooser;
}
bool asking = false;

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// The listed children under another folder's path: the same names.
QStringList reparented(const QStringList& children, const QString& listed, const QString& shown) {
    const QString from = withoutTrailingSlash(listed);
    const QString to = withoutTrailingSlash(shown);
    const qsizetype cut = from == QLatin1String("/") ? 1 : from.size() + 1;
    const QString prefix = to == QLatin1String("/") ? to : to + QLatin1Char('/');
    QStringList moved;
    moved.reserve(children.size());
    for (const QString& child : children)
        moved.append(prefix + child.mid(cut));
    return moved;
}
} // namespace

void FolderGrants::setChooser(Chooser chooser) {
    installedChooser() = std::move(chooser);
}

bool FolderGrants::isAsking() {
    return asking;
}

FolderGrants::FolderGrants() : own(std::make_unique<Settings>()), settings(*own) {}

FolderGrants::FolderGrants(Settings& settings) : settings(settings) {}

FolderGrants::~FolderGrants() = default;

bool FolderGrants::covers(const QString& grant, const QString& folder) {
    return remainderBelow(grant, folder).has_value();
}

std::optional<QString> FolderGrants::remainderBelow(const QString& grant, const QString& folder) {
    const QString key = withoutTrailingSlash(grant);
    const QString path = withoutTrailingSlash(folder);
    if (key.isEmpty() || path.isEmpty())
        return std::nullopt;
    if (path == key)
        return QString();
    if (key == QLatin1String("/"))
        return path.startsWith(key) ? std::optional<QString>(path.mid(1)) : std::nullopt;
    if (path.size() > key.size() && path.startsWith(key) && path.at(key.size()) == QLatin1Char('/'))
        return path.mid(key.size() + 1);
    return std::nullopt;
}

std::optional<QByteArray> FolderGrants::bookmarkIn(const QVariantMap& grants, const QString& key) {
    const QVariant value = grants.value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

std::optional<QStringList> FolderGrants::listingFor(const QString& folder) {
    const QVariantMap grants = settings.savedFolders();
    // The most specific grant first: the exact one, then the nearest ancestor.
    QStringList keys;
    for (auto it = grants.cbegin(); it != grants.cend(); ++it) {
        if (covers(it.key(), folder))
            keys.append(it.key());
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& key : keys) {
        const auto bookmark = bookmarkIn(grants, key);
        const auto resolved = bookmark ? FolderBookmark::resolve(*bookmark) : std::nullopt;
        // A broken or stale grant says nothing about the others.
        if (!resolved)
            continue;
        QString target = *resolved;
        if (const QString below = *remainderBelow(key, folder); !below.isEmpty())
            target = withoutTrailingSlash(target) + QLatin1Char('/') + below;
        FolderListing::Result listing = FolderListing::list(target);
        if (listing.children)
            return reparented(*listing.children, target, folder);
        // A grant that resolves but does not list is no access: ask.
        break;
    }
    // Outside a sandbox with a document portal the refusal is the file
    // system's own: whatever folder is chosen lists with the same rights.
    if (!DocumentPortal::answers())
        return std::nullopt;
    return ask(folder);
}

std::optional<QStringList> FolderGrants::ask(const QString& folder) {
    if (asking || !installedChooser())
        return std::nullopt;
    asking = true;
    const auto done = qScopeGuard([] { asking = false; });
    const std::optional<QString> chosen = installedChooser()(folder);
    if (!chosen)
        return std::nullopt;
    FolderListing::Result listing = FolderListing::list(*chosen);
    if (!listing.children)
        return std::nullopt;
    if (addGrant(*chosen))
        NotificationCenter::defaultCenter().post(
            QString::fromLatin1(NotificationCenter::UpdateStates));
    return listing.children;
}

bool FolderGrants::grantAccess() {
    if (asking || !installedChooser())
        return false;
    asking = true;
    const auto done = qScopeGuard([] { asking = false; });
    const std::optional<QString> chosen = installedChooser()(QString());
    return chosen && addGrant(*chosen);
}

bool FolderGrants::addGrant(const QString& folder) {
    const QString key = withoutTrailingSlash(folder);
    if (!FolderListing::list(key).children)
        return false;
    const auto bookmark = FolderBookmark::create(key);
    if (!bookmark)
        return false;
    QVariantMap grants = settings.savedFolders();
    grants.insert(key, *bookmark);
    settings.setValue(Settings::SavedFolders, grants);
    return true;
}

void FolderGrants::removeGrant(const QString& folder) {
    QVariantMap grants = settings.savedFolders();
    if (grants.remove(folder) == 0)
        return;
    settings.setValue(Settings::SavedFolders, grants);
}

QStringList FolderGrants::folders() const {
    return settings.savedFolders().keys();
}
