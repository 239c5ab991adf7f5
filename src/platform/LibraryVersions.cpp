#include "platform/LibraryVersions.h"

#include <OpenEXR/OpenEXRConfig.h>
#include <avif/avif.h>
#include <cstdio>
#include <exiv2/exiv2.hpp>
#include <jxl/decode.h>
#include <libheif/heif.h>
#include <libraw/libraw.h>
#include <openjpeg.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>
#include <zlib.h>

#include <jpeglib.h>

#include <QtGlobal>

namespace {

QString dotted(unsigned major, unsigned minor, unsigned patch) {
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(patch);
}

// The first line of libtiff's banner holds "Version X.Y.Z".
QString tiffVersion() {
    const QString banner = QString::fromLatin1(TIFFGetVersion());
    const qsizetype at = banner.indexOf(QLatin1String("Version "));
    if (at < 0)
        return banner.section(QLatin1Char('\n'), 0, 0);
    return banner.mid(at + 8).section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

QList<LibraryVersions::Library> LibraryVersions::all() {
    const int webp = WebPGetDecoderVersion();
    const uint32_t jxl = JxlDecoderVersion();
    return {
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion())},
#ifdef LIBJPEG_TURBO_VERSION_NUMBER
        {QStringLiteral("libjpeg-turbo"),
         dotted(LIBJPEG_TURBO_VERSION_NUMBER / 1000000, LIBJPEG_TURBO_VERSION_NUMBER / 1000 % 1000,
                LIBJPEG_TURBO_VERSION_NUMBER % 1000)},
#else
        {QStringLiteral("libjpeg"), QString::number(JPEG_LIB_VERSION)},
#endif
        {QStringLiteral("libpng"), QString::fromLatin1(png_get_libpng_ver(nullptr))},
        {QStringLiteral("libwebp"), dotted(webp >> 16 & 0xff, webp >> 8 & 0xff, webp & 0xff)},
        {QStringLiteral("libheif"), QString::fromLatin1(heif_get_version())},
        {QStringLiteral("libavif"), QString::fromLatin1(avifVersion())},
        {QStringLiteral("libjxl"), dotted(jxl / 1000000, jxl / 1000 % 1000, jxl % 1000)},
        {QStringLiteral("OpenEXR"), QStringLiteral(OPENEXR_VERSION_STRING)},
        {QStringLiteral("LibRaw"), QString::fromLatin1(LibRaw::version())},
        {QStringLiteral("Exiv2"), QString::fromLatin1(Exiv2::version())},
        {QStringLiteral("OpenJPEG"), QString::fromLatin1(opj_version())},
        {QStringLiteral("libtiff"), tiffVersion()},
        {QStringLiteral("zlib (with minizip)"), QString::fromLatin1(zlibVersion())},
    };
}
