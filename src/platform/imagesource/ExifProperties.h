#pragma once

#include <QByteArray>
#include <QVariantMap>

// The metadata of an encoded image as Exiv2 reads it, turned into property
// groups ("{TIFF}", "{Exif}", "{GPS}", "{IPTC}", "{XMP}", "{MakerCanon}",
// ...) whose numbers stay numbers and whose lists stay lists. Exiv2's
// exceptions stop here: a format it does not know, or a file it cannot
// parse, simply has no metadata.
class ExifProperties {
public:
    static ExifProperties read(const QByteArray& bytes);
    // The EXIF block alone, starting with its TIFF header (as HEIF stores it).
    static ExifProperties readExifBlock(const QByteArray& tiff);
    // An EXIF block (TIFF header first, may be empty) and an XMP packet, as
    // containers that store them apart give them (HEIF, AVIF, JPEG XL).
    static ExifProperties readBlocks(const QByteArray& tiff, const QByteArray& xmpPacket);

    // The groups, and the image-level keys the metadata decides
    // ("Orientation", "DPIWidth", "DPIHeight", "ProfileName"), into a map.
    // Keys already in the map are kept.
    void addTo(QVariantMap& map) const;

    // Sets Exiv2 up, once, before any thread uses it; whoever else calls
    // Exiv2 calls this first.
    static void setUpLibrary();

    QVariantMap groups;
    int orientation = 0; // 0 when the file states none
    double dpiWidth = 0.0;
    double dpiHeight = 0.0;
    QByteArray iccProfile;
    QByteArray thumbnail; // the stored (JPEG) thumbnail, if any
};
