#pragma once

#include <QList>
#include <QString>

// The libraries the viewer decodes and reads with, and their versions: as the
// library reports it at run time where it can, else as built against.
namespace LibraryVersions {

struct Library {
    QString name;
    QString version;
};

QList<Library> all();

} // namespace LibraryVersions
