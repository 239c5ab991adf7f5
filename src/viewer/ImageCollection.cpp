#include "viewer/ImageCollection.h"

#include "core/Settings.h"
#include "platform/FolderListing.h"
#include "viewer/FolderGrants.h"

#include <QCollator>
#include <algorithm>
#include <numeric>
#include <utility>

namespace {
QCollator fileNameCollator() {
    QCollator collator;
    collator.setNumericMode(false);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    return collator;
}
} // namespace

void ImageCollection::sortByFileName(QStringList& paths) {
    const QCollator collator = fileNameCollator();
    // One sort key per entry keeps a 50,000-entry sort to a few hundred
    // thousand byte comparisons instead of as many collations.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(paths.size()));
    for (const QString& path : paths)
        keys.push_back(collator.sortKey(lastPathComponent(path)));
    std::vector<qsizetype> order(size_t(paths.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) {
        return keys[size_t(a)].compare(keys[size_t(b)]) < 0;
    });
    QStringList sorted;
    sorted.reserve(paths.size());
    for (qsizetype index : order)
        sorted.append(paths.at(index));
    paths = std::move(sorted);
}

std::optional<QStringList> ImageCollection::listFolder(const QString& folder) {
    return FolderListing::list(folder).children;
}

std::optional<QStringList> ImageCollection::scanFolder(const QString& path) {
    const QString folder = folderOf(path);
    FolderListing::Result listing = FolderListing::list(folder);
    std::optional<QStringList> children = std::move(listing.children);
    // Only a refusal can be mended by a grant; a missing folder stays missing.
    if (!children && listing.deniedPermission() && Settings().folderAccess() != 1)
        children = FolderGrants().listingFor(folder);
    return imagesAmong(std::move(children));
}

std::optional<QStringList> ImageCollection::imagesIn(const QString& folder) {
    return imagesAmong(FolderListing::list(folder).children);
}

std::optional<QStringList> ImageCollection::imagesAmong(std::optional<QStringList> children) {
    if (!children)
        return std::nullopt;
    QStringList images;
    for (const QString& child : *children) {
        if (qualifies(child))
            images.append(child);
    }
    sortByFileName(images);
    return images;
}

void ImageCollection::setList(std::optional<QStringList> newList) {
    list = std::move(newList);
    gone.clear();
}

bool ImageCollection::relist(QStringList sorted) {
    if (!list || sorted == *list)
        return false;
    const QString current = currentEntry();
    list = std::move(sorted);
    gone.clear();
    number = 0;
    if (current.isEmpty())
        return true;
    const qsizetype index = list->indexOf(current);
    if (index >= 0) {
        number = quint64(index);
        return true;
    }
    gone = current;
    const QCollator collator = fileNameCollator();
    const QString name = lastPathComponent(current);
    const auto place = std::lower_bound(
        list->cbegin(), list->cend(), name, [&collator](const QString& entry, const QString& key) {
            return collator.compare(lastPathComponent(entry), key) < 0;
        });
    number = quint64(place - list->cbegin());
    return true;
}

QStringList ImageCollection::neighbours() const {
    if (!isDirectory())
        return {};
    const qsizetype size = list->size();
    const qsizetype n = qsizetype(number);
    const qsizetype next = gone.isEmpty() ? n + 1 : n;
    return {list->at(next % size), list->at((n - 1 + size) % size)};
}

const QStringList& ImageCollection::entries() const {
    static const QStringList none;
    return list ? *list : none;
}

void ImageCollection::selectEntry(const QString& path) {
    if (!list)
        return;
    gone.clear();
    const qsizetype index = list->indexOf(path);
    if (index >= 0)
        number = quint64(index);
    else if (number >= quint64(list->size()))
        number = list->isEmpty() ? 0 : quint64(list->size() - 1);
}

QString ImageCollection::currentEntry() const {
    if (!gone.isEmpty())
        return gone;
    if (!list || number >= quint64(list->size()))
        return QString();
    return list->at(qsizetype(number));
}

std::optional<QString> ImageCollection::stepForward() {
    if (!list || list->isEmpty())
        return std::nullopt;
    // From a gone entry, the one in its place is the next.
    const quint64 next = std::exchange(gone, QString()).isEmpty() ? number + 1 : number;
    number = next >= quint64(list->size()) ? 0 : next;
    return currentEntry();
}

std::optional<QString> ImageCollection::stepBackward() {
    if (!list || list->isEmpty())
        return std::nullopt;
    gone.clear();
    if (number == 0 || number > quint64(list->size()))
        number = quint64(list->size());
    number -= 1;
    return currentEntry();
}

std::optional<QString> ImageCollection::stepTo(qsizetype index) {
    if (!list || index < 0 || index >= list->size() || (number == quint64(index) && gone.isEmpty()))
        return std::nullopt;
    gone.clear();
    number = quint64(index);
    return currentEntry();
}

std::optional<QString> ImageCollection::stepToFirst() {
    if (!list || list->isEmpty() || (number == 0 && gone.isEmpty()))
        return std::nullopt;
    gone.clear();
    number = 0;
    return currentEntry();
}

std::optional<QString> ImageCollection::stepToLast() {
    if (!list || list->isEmpty() || (number == quint64(list->size() - 1) && gone.isEmpty()))
        return std::nullopt;
    gone.clear();
    number = quint64(list->size() - 1);
    return currentEntry();
}
