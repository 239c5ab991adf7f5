#pragma once

#include "core/FileTypes.h"

#include <QString>
#include <QStringList>
#include <optional>

// The ordered list of images a window steps through, and the position in it.
// For a folder the entries are file paths; for an archive, entry paths as
// stored in the archive.
class ImageCollection {
public:
    // The file-type rules, kept here for the list's readers.
    static const QStringList& extensions() { return FileTypes::extensions(); }
    static bool qualifies(const QString& path) { return FileTypes::qualifies(path); }
    static QString pathExtension(const QString& path) { return FileTypes::pathExtension(path); }
    static QString lastPathComponent(const QString& path) {
        return FileTypes::lastPathComponent(path);
    }
    // By file name alone, with the user's locale collation and no numeric
    // ordering of digit runs (img10 before img2). Stable for equal names.
    static void sortByFileName(QStringList& paths);
    static QString folderOf(const QString& path) { return FileTypes::folderOf(path); }
    // The qualifying, sorted children of the folder of `path`; nothing when the
    // folder cannot be listed.
    static std::optional<QStringList> scanFolder(const QString& path);
    // The qualifying, sorted children of `folder` as it stands now; nothing
    // when it cannot be listed. No grant is asked for.
    static std::optional<QStringList> imagesIn(const QString& folder);
    // The immediate children of a folder (hidden ones included), or nothing.
    static std::optional<QStringList> listFolder(const QString& folder);

    void setList(std::optional<QStringList> list);
    void clear() { setList(std::nullopt); }
    bool hasList() const { return list.has_value(); }
    const QStringList& entries() const;
    qsizetype count() const { return list ? list->size() : 0; }

    quint64 fileNumber() const { return number; }
    // Makes `path` current when it is in the list; otherwise keeps the index,
    // pulled back into the list.
    void selectEntry(const QString& path);
    void setFileNumber(quint64 index) {
        gone.clear();
        number = index;
    }
    QString currentEntry() const;
    // Where the current entry sits in the list; none without a list or while
    // the current entry is gone from it.
    std::optional<qsizetype> position() const {
        if (!gone.isEmpty() || number >= quint64(count()))
            return std::nullopt;
        return qsizetype(number);
    }

    // A new listing of the same folder, sorted as the list is. The current
    // entry stays current wherever it now sits. One that is gone stays
    // current outside the list, so that it stays shown, until a step leaves
    // it for what now lies on either side of where it sorted. False when the
    // list is the same.
    bool relist(QStringList sorted);

    // Somewhere to step to: a list of two or more entries, or any entry
    // once the current one is gone.
    bool isDirectory() const { return count() > (gone.isEmpty() ? 1 : 0); }
    // Where a step forward and a step backward would go; none without
    // anywhere to step.
    QStringList neighbours() const;

    // Step with wrap-around at both ends and answer the new current entry;
    // nothing with a missing or empty list.
    std::optional<QString> stepForward();
    std::optional<QString> stepBackward();
    // Go to the first or the last entry; nothing when there is no list or
    // the entry is already the current one.
    std::optional<QString> stepToFirst();
    // Go to the entry at `index` (picked in the grid); nothing outside the
    // list or when it is already the current one.
    std::optional<QString> stepTo(qsizetype index);
    std::optional<QString> stepToLast();

private:
    static std::optional<QStringList> imagesAmong(std::optional<QStringList> children);

    std::optional<QStringList> list;
    // While the current entry is gone: its path, and `number` is the index of
    // the entry that now sorts in its place (the list's size past the end).
    QString gone;
    quint64 number = 0;
};
