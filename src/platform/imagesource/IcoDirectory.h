#pragma once

#include <QByteArray>

// An icon file's directory, made to agree with the images it points to: the
// sizes writers put in the directory are often wrong, while each embedded
// image (a PNG or a headerless BMP) states its own.
class IcoDirectory {
  public:
    // The bytes with every entry's width, height and byte count taken from
    // its image; entries whose image cannot be read are left as they are.
    static QByteArray mended(const QByteArray& bytes);
};
