#pragma once

#include <QString>

// The five formats an image can be exported in, in the order of the export
// panel's format menu.
enum class ExportFormat { Jpeg, Jpeg2000, Png, Tiff, Bmp };

namespace ExportFormats {

constexpr int count = 5;
ExportFormat atIndex(int index); // PNG for an index out of range
int indexOf(ExportFormat format);
QString title(ExportFormat format);
// The file name extension written for the format, without the dot.
QString suffix(ExportFormat format);
// Whether the compression slider applies, and the label at its high end.
bool hasCompression(ExportFormat format);
QString bestLabel(ExportFormat format);
// `name` with its extension replaced by the format's; a name without an
// extension is left as it is.
QString withSuffix(const QString& name, ExportFormat format);

} // namespace ExportFormats
