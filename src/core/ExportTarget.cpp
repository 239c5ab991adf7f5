#include "core/ExportTarget.h"

#include "platform/FileStamp.h"

#include <QCoreApplication>
#include <QDir>

namespace {

struct Extension {
    const char* suffix;
    ExportFormat format;
};

// Only what each format is known by: a raw JPEG 2000 codestream (.j2k) is
// not the JP2 file that is written.
constexpr Extension extensions[] = {
    {"jpg", ExportFormat::Jpeg},  {"jpeg", ExportFormat::Jpeg},    {"jpe", ExportFormat::Jpeg},
    {"jfif", ExportFormat::Jpeg}, {"jp2", ExportFormat::Jpeg2000}, {"png", ExportFormat::Png},
    {"tif", ExportFormat::Tiff},  {"tiff", ExportFormat::Tiff},    {"bmp", ExportFormat::Bmp},
    {"dib", ExportFormat::Bmp},
};

constexpr int maxNumbered = 9999;

} // namespace

bool ExportTarget::formatOfName(const QString& name, ExportFormat* format) {
    const QString file = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = file.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) // ".png" alone is a hidden file's name, not an extension
        return false;
    const QString suffix = file.mid(dot + 1);
    for (const Extension& e : extensions) {
        if (suffix.compare(QLatin1String(e.suffix), Qt::CaseInsensitive) == 0) {
            *format = e.format;
            return true;
        }
    }
    return false;
}

ExportTarget::Choice ExportTarget::resolvedName(const QString& typed, ExportFormat chosen) {
    ExportFormat named = chosen;
    if (formatOfName(typed, &named))
        return {typed, named};
    if (typed.isEmpty())
        return {typed, chosen};
    return {typed + QLatin1Char('.') + ExportFormats::suffix(chosen), chosen};
}

QString ExportTarget::suggestedPath(const QString& folder, const QString& baseName,
                                    ExportFormat format, bool besideShown) {
    const QDir dir(folder);
    const QString stem = besideShown
                             ? QCoreApplication::translate("ExportTarget", "%1 copy").arg(baseName)
                             : baseName;
    const QString suffix = QLatin1Char('.') + ExportFormats::suffix(format);
    QString path = dir.filePath(stem + suffix);
    // Any file at all counts, even one the user may not read: the offer is
    // never a file that is there.
    for (int n = 2; n <= maxNumbered && FileStamp::of(path); ++n)
        path = dir.filePath(QStringLiteral("%1 %2").arg(stem).arg(n) + suffix);
    return path;
}

bool ExportTarget::writesOver(const QString& target, const QStringList& protectedFiles) {
    const std::optional<FileStamp> there = FileStamp::of(target);
    if (!there)
        return false;
    for (const QString& file : protectedFiles) {
        const std::optional<FileStamp> stamp = file.isEmpty() ? std::nullopt : FileStamp::of(file);
        if (stamp && stamp->isSameFile(*there))
            return true;
    }
    return false;
}
