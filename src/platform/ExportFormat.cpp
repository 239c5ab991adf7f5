#include "platform/ExportFormat.h"

#include <QCoreApplication>

namespace {

struct Row {
    ExportFormat format;
    const char* title;
    const char* suffix;
    bool compression;
    const char* best;
};

constexpr Row rows[ExportFormats::count] = {
    {ExportFormat::Jpeg, "JPEG", "jpg", true, "Best"},
    {ExportFormat::Jpeg2000, "JPEG 2000", "jp2", true, "Lossless"},
    {ExportFormat::Png, "PNG", "png", false, ""},
    {ExportFormat::Tiff, "TIFF", "tiff", false, ""},
    {ExportFormat::Bmp, "BMP", "bmp", false, ""},
};

const Row& rowOf(ExportFormat format) {
    return rows[ExportFormats::indexOf(format)];
}

} // namespace

ExportFormat ExportFormats::atIndex(int index) {
    return index >= 0 && index < count ? rows[index].format : ExportFormat::Png;
}

int ExportFormats::indexOf(ExportFormat format) {
    return int(format);
}

QString ExportFormats::title(ExportFormat format) {
    return QCoreApplication::translate("ExportFormats", rowOf(format).title);
}

QString ExportFormats::suffix(ExportFormat format) {
    return QString::fromLatin1(rowOf(format).suffix);
}

bool ExportFormats::hasCompression(ExportFormat format) {
    return rowOf(format).compression;
}

QString ExportFormats::bestLabel(ExportFormat format) {
    return QCoreApplication::translate("ExportFormats", rowOf(format).best);
}

QString ExportFormats::withSuffix(const QString& name, ExportFormat format) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file, not an extension.
    if (dot <= 0 || name.indexOf(QLatin1Char('/'), dot) >= 0)
        return name;
    return name.left(dot + 1) + suffix(format);
}
