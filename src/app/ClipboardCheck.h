#pragma once

#include <QByteArray>
#include <QStringList>
#include <optional>

class QMimeData;

// What the clipboard offers the New from Clipboard command.
class ClipboardCheck {
public:
    // Local file paths from file URLs, in order; nothing when none are offered.
    static std::optional<QStringList> fileURLs(const QMimeData* data);
    // PNG data first, else TIFF data; nothing when neither can be read.
    static std::optional<QByteArray> imageData(const QMimeData* data);
    // Whether New from Clipboard can do anything: with file URLs, when one of
    // them has an openable extension; otherwise when image data is offered.
    // It runs on every clipboard change, so it looks at the offered types
    // only: the image itself is fetched when the user imports it.
    static bool canImport(const QMimeData* data, const QStringList& fileTypes);
    static bool offersImageData(const QMimeData* data);
    // The open dialog's types: the image extensions and "zip".
    static QStringList fileTypes();
};
