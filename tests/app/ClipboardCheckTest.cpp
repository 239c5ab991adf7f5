#include "app/ClipboardCheck.h"

#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Local files decide by their extensions, whatever else is offered; otherwise PNG, then TIFF.
TEST(ClipboardCheck, FileURLsDecideElseTheImageDataPngBeforeTiff) {
    struct Case {
        std::vector<const char*> urls;
        std::vector<const char*> images; // offered image types, each with its name as bytes
        bool openable;
        const char* image;
    };
    const Case cases[] = {
        {{"/tmp/notes.txt"}, {}, false, nullptr},
        {{"/tmp/notes.txt", "/tmp/HOLIDAY.JPG"}, {}, true, nullptr},
        {{"/tmp/download.webp", "/tmp/phone.AVIF", "/tmp/cam.jxl"}, {}, true, nullptr},
        {{"/tmp/comics.ZIP"}, {}, true, nullptr},
        {{"/tmp/README"}, {}, false, nullptr},
        {{"/tmp/notes.txt"}, {"image/png"}, false, "image/png"},
        {{}, {}, false, nullptr},
        {{}, {"image/tiff"}, true, "image/tiff"},
        {{}, {"image/tiff", "image/png"}, true, "image/png"},
        // A browser's copied image: its address beside the pixels, and no file.
        {{"https://example.org/cat.jpg"}, {}, false, nullptr},
        {{"https://example.org/cat.jpg"}, {"image/png"}, true, "image/png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.urls.empty() ? "no files" : c.urls.front());
        QMimeData data;
        data.setText(QStringLiteral("just words"));
        QList<QUrl> urls;
        for (const char* url : c.urls)
            urls.append(url[0] == '/' ? QUrl::fromLocalFile(QString::fromUtf8(url)) : QUrl(url));
        if (!urls.isEmpty())
            data.setUrls(urls);
        for (const char* type : c.images)
            data.setData(QString::fromLatin1(type), type);
        EXPECT_EQ(ClipboardCheck::canImport(&data, ClipboardCheck::fileTypes()), c.openable);
        EXPECT_EQ(ClipboardCheck::imageData(&data).value_or(QByteArray()), QByteArray(c.image));
    }
}

// Offers an image the way another application's clipboard does: the bytes
// are fetched only when asked for, and every fetch is counted.
class LazyImageData : public QMimeData {
  public:
    mutable int imageFetches = 0;
    QStringList formats() const override { return {QStringLiteral("image/png")}; }

  protected:
    QVariant retrieveData(const QString& mime, QMetaType type) const override {
        if (mime == QLatin1String("image/png")) {
            ++imageFetches;
            return QByteArray(1 << 20, 'x');
        }
        return QMimeData::retrieveData(mime, type);
    }
};

TEST(ClipboardCheck, CheckingLooksAtTheOfferedTypesWithoutFetchingTheImage) {
    LazyImageData data;
    EXPECT_TRUE(ClipboardCheck::canImport(&data, ClipboardCheck::fileTypes()));
    EXPECT_EQ(data.imageFetches, 0);
    EXPECT_EQ(ClipboardCheck::imageData(&data)->size(), 1 << 20) << "importing fetches it";
    EXPECT_EQ(data.imageFetches, 1);
}

} // namespace
