#include "app/ClipboardCheck.h"

#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>
#include <vector>

namespace {

QMimeData* withUrls(const std::vector<const char*>& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const char* p : paths)
        urls.append(QUrl::fromLocalFile(QString::fromUtf8(p)));
    data->setUrls(urls);
    return data;
}

TEST(ClipboardCheck, FileURLsEnableOnlyForOpenableExtensions) {
    const QStringList types = ClipboardCheck::fileTypes();
    const std::pair<std::vector<const char*>, bool> cases[] = {
        {{"/tmp/notes.txt"}, false},
        {{"/tmp/notes.txt", "/tmp/HOLIDAY.JPG"}, true},
        {{"/tmp/download.webp", "/tmp/phone.AVIF", "/tmp/cam.jxl"}, true},
        {{"/tmp/comics.ZIP"}, true},
        {{"/tmp/README"}, false},
    };
    for (const auto& [paths, openable] : cases) {
        std::unique_ptr<QMimeData> data(withUrls(paths));
        EXPECT_EQ(ClipboardCheck::canImport(data.get(), types), openable) << paths.front();
    }
}

TEST(ClipboardCheck, FileURLsDecideEvenWhenImageDataIsAlsoThere) {
    std::unique_ptr<QMimeData> data(withUrls({"/tmp/notes.txt"}));
    data->setData(QStringLiteral("image/png"), "\x89PNG");
    EXPECT_FALSE(ClipboardCheck::canImport(data.get(), ClipboardCheck::fileTypes()));
}

TEST(ClipboardCheck, ImageDataPrefersPngOverTiff) {
    QMimeData data;
    EXPECT_FALSE(ClipboardCheck::imageData(&data));
    EXPECT_FALSE(ClipboardCheck::canImport(&data, ClipboardCheck::fileTypes()));
    data.setText(QStringLiteral("just words"));
    EXPECT_FALSE(ClipboardCheck::canImport(&data, ClipboardCheck::fileTypes()));
    data.setData(QStringLiteral("image/tiff"), "tiff-bytes");
    EXPECT_EQ(ClipboardCheck::imageData(&data), QByteArray("tiff-bytes"));
    data.setData(QStringLiteral("image/png"), "png-bytes");
    EXPECT_EQ(ClipboardCheck::imageData(&data), QByteArray("png-bytes"));
    EXPECT_TRUE(ClipboardCheck::canImport(&data, ClipboardCheck::fileTypes()));
}

TEST(ClipboardCheck, RemoteURLsAreNotFiles) {
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.org/cat.jpg"))});
    EXPECT_FALSE(ClipboardCheck::fileURLs(&data));
    EXPECT_FALSE(ClipboardCheck::canImport(&data, ClipboardCheck::fileTypes()));
    // A browser's copied image: its address beside the pixels.
    data.setData(QStringLiteral("image/png"), "png-bytes");
    EXPECT_TRUE(ClipboardCheck::canImport(&data, ClipboardCheck::fileTypes()));
    EXPECT_EQ(ClipboardCheck::imageData(&data), QByteArray("png-bytes"));
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
