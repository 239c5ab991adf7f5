#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringView>
#include <minizip/unzip.h>

// Decoding what the archive stores for an entry: its path and its date.
namespace ZipEntryFields {

// The stored name as a path: UTF-8 where it is valid, else Windows-1252
// (what old archivers wrote), else "Untitled Document"; backslashes become
// slashes.
QString decodedPath(const QByteArray& stored, QStringDecoder& utf8);

// The path without its last component, as a view into the path itself; a
// trailing slash is not a component, and the parent of a top-level path
// beginning with "/" is "/".
QStringView parentPath(QStringView path);

// The six stored date fields, seconds first, as the library's broken-down
// time, and whether they name a real moment.
tm_unz brokenDown(const quint32 (&date)[6]);
bool isValidDate(const tm_unz& tm);

} // namespace ZipEntryFields
