#pragma once

#include "platform/ExportFormat.h"

#include <QString>
#include <QStringList>

// Where an export may go. The viewer never writes to the files it shows, so
// the name it offers is never one of them, a typed name decides the format
// its extension names, and a target that is the shown file (or the archive
// it comes from), under whatever name, is refused.
class ExportTarget {
  public:
    // The path offered in `folder` for an image called `baseName`: beside
    // the shown file "<baseName> copy.<ext>" (`besideShown`), elsewhere
    // "<baseName>.<ext>"; a number is added until no file has the name.
    static QString suggestedPath(const QString& folder, const QString& baseName,
                                 ExportFormat format, bool besideShown);

    struct Choice {
        QString name;
        ExportFormat format;
        bool operator==(const Choice&) const = default;
    };
    // What a typed name writes: a name ending in the extension of one of
    // the formats ("holiday.PNG", "a.jpeg") is written in that format, under
    // that name; any other name gets the chosen format's extension added.
    static Choice resolvedName(const QString& typed, ExportFormat chosen);
    // The format a file name's extension stands for, if any.
    static bool formatOfName(const QString& name, ExportFormat* format);

    // Whether writing `target` would replace one of `protectedFiles`:
    // compared by device and inode, so a link, a second hard link or another
    // spelling of the path is caught too.
    static bool writesOver(const QString& target, const QStringList& protectedFiles);
};
