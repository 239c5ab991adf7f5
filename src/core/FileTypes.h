#pragma once

#include <QString>
#include <QStringList>

// Which files count as images, and the path rules that decide it. Shared by
// the image lists, the routing of documents and the clipboard item.
class FileTypes {
public:
    // The classic 40 image extensions in their fixed order, then webp, avif, avifs and jxl.
    static const QStringList& extensions();
    // An item qualifies when its extension ends with one of the supported
    // extensions, ignoring case ("xjpg" qualifies for "jpg"); no extension never does.
    static bool qualifies(const QString& path);
    static QString pathExtension(const QString& path);
    static QString lastPathComponent(const QString& path);
    // The folder of a path: the path itself when it is a directory, else its parent.
    static QString folderOf(const QString& path);
};
