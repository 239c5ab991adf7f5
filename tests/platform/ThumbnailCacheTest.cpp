#include "platform/ThumbnailCache.h"
#include "support/TestImages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A cache under a temporary XDG_CACHE_HOME (not yet made: the cache makes
// it) and a folder of pictures beside it.
class ThumbnailCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temporary.isValid());
        saved = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(temporary.filePath("xdg")));
        cache = ThumbnailCache();
        QDir(temporary.path()).mkpath("pictures");
        picture = temporary.filePath("pictures/photo.png");
        ASSERT_TRUE(TestImages::writeImage(picture, TestImages::noise(40, 30), "png"));
    }
    void TearDown() override { qputenv("XDG_CACHE_HOME", saved); }

    static QImage tile(int width, int height, QColor colour) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }
    static qint64 mtimeOf(const QString& path) {
        return QFileInfo(path).lastModified().toSecsSinceEpoch();
    }
    static void setModified(const QString& path, qint64 seconds) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(seconds),
                                     QFileDevice::FileModificationTime));
    }
    // A thumbnail as another program writes it: its own keys, no size.
    void writeForeign(int size, const QImage& image, qint64 mtime) const {
        QImage keyed = image;
        keyed.setText("Thumb::URI", QString::fromLatin1(ThumbnailCache::uriOf(picture)));
        keyed.setText("Thumb::MTime", QString::number(mtime));
        keyed.setText("Software", "GNOME::ThumbnailFactory");
        const QString file = cache.fileFor(picture, size);
        QDir().mkpath(QFileInfo(file).path());
        ASSERT_TRUE(keyed.save(file, "png"));
    }
    static int modeOf(const QString& path) {
        struct stat status {};
        ::stat(QFile::encodeName(path).constData(), &status);
        return int(status.st_mode & 0777);
    }

    QTemporaryDir temporary;
    QByteArray saved;
    QString picture;
    ThumbnailCache cache;
};

TEST_F(ThumbnailCacheTest, NamesFollowTheFileUriAndSizesTheirFolders) {
    EXPECT_EQ(ThumbnailCache::nameOf("/home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
    QString every = "/tmp/";
    for (char c = 0x20; c < 0x7f; ++c) {
        if (c != '/')
            every += QLatin1Char(c);
    }
    for (const QString& path :
         {every, QString("/photos/été 日本/a b%20.png"), QString("/a/#?[x]{y}|\\^`\"<>.jpg")})
        EXPECT_EQ(ThumbnailCache::uriOf(path).toStdString(),
                  QUrl::fromLocalFile(path).toEncoded().toStdString())
            << path.toStdString();
    EXPECT_EQ(ThumbnailCache().root(), temporary.filePath("xdg/thumbnails"));
    qputenv("XDG_CACHE_HOME", "relative/cache");
    EXPECT_EQ(ThumbnailCache::defaultRoot(), QDir::homePath() + "/.cache/thumbnails");

    const struct {
        int pixels, size;
    } sizes[] = {{1, 0}, {128, 0}, {129, 1}, {256, 1}, {300, 2}, {1024, 3}, {5000, 3}};
    for (const auto& s : sizes)
        EXPECT_EQ(ThumbnailCache::sizeFor(s.pixels), s.size) << s.pixels;
    EXPECT_EQ(ThumbnailCache::folderOf(2), "x-large");
}

// Which thumbnail a lookup takes, and when it takes none.
TEST_F(ThumbnailCacheTest, LookupTakesTheNearestValidThumbnailLargerFirst) {
    const qint64 mtime = mtimeOf(picture);
    const struct {
        const char* what;
        std::function<void()> prepare;
        int pixels;
        ThumbnailCache::Entry::State state;
        QSize size;
        QColor colour;
    } cases[] = {
        {"our own, reduced to what is asked",
         [&] { ASSERT_TRUE(cache.store(picture, tile(256, 128, Qt::red))); }, 200,
         ThumbnailCache::Entry::Found, QSize(200, 100), Qt::red},
        {"a file manager's, with no size recorded",
         [&] { writeForeign(0, tile(128, 96, Qt::green), mtime); }, 128,
         ThumbnailCache::Entry::Found, QSize(128, 96), Qt::green},
        {"larger before smaller",
         [&] {
             writeForeign(0, tile(128, 64, Qt::green), mtime);
             writeForeign(2, tile(512, 256, Qt::blue), mtime);
         },
         200, ThumbnailCache::Entry::Found, QSize(200, 100), Qt::blue},
        {"smaller as a last resort", [&] { writeForeign(0, tile(128, 64, Qt::green), mtime); }, 600,
         ThumbnailCache::Entry::Found, QSize(128, 64), Qt::green},
        {"modification time out of date",
         [&] { writeForeign(0, tile(128, 64, Qt::green), mtime - 5); }, 128,
         ThumbnailCache::Entry::Missing, QSize(), QColor()},
        {"size out of date",
         [&] {
             ASSERT_TRUE(cache.store(picture, tile(128, 64, Qt::red)));
             ASSERT_TRUE(TestImages::write(picture, TestImages::read(picture) + "tail"));
             setModified(picture, mtime);
         },
         128, ThumbnailCache::Entry::Missing, QSize(), QColor()},
        {"larger than its folder allows", [&] { writeForeign(0, tile(129, 64, Qt::green), mtime); },
         128, ThumbnailCache::Entry::Missing, QSize(), QColor()},
        {"not a PNG",
         [&] {
             QDir().mkpath(QFileInfo(cache.fileFor(picture, 0)).path());
             TestImages::write(cache.fileFor(picture, 0),
                               TestImages::encode(tile(9, 9, Qt::red), "jpeg"));
         },
         128, ThumbnailCache::Entry::Missing, QSize(), QColor()},
        {"a failure record of the unchanged file",
         [&] { ASSERT_TRUE(cache.storeFailure(picture)); }, 128, ThumbnailCache::Entry::Failed,
         QSize(), QColor()},
        {"a failure record of a file changed since",
         [&] {
             ASSERT_TRUE(cache.storeFailure(picture));
             setModified(picture, mtime + 10);
         },
         128, ThumbnailCache::Entry::Missing, QSize(), QColor()},
    };
    const QByteArray original = TestImages::read(picture);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(cache.root()).removeRecursively();
        ASSERT_TRUE(TestImages::write(picture, original));
        setModified(picture, mtime);
        c.prepare();
        const ThumbnailCache::Entry entry = cache.lookup(picture, c.pixels);
        EXPECT_EQ(entry.state, c.state);
        EXPECT_EQ(entry.image.isNull() ? QSize() : entry.image.size(), c.size);
        if (!entry.image.isNull()) {
            EXPECT_LE(TestImages::channelDistance(entry.image.pixel(0, 0), c.colour.rgb()), 2);
        }
    }
}

TEST_F(ThumbnailCacheTest, StoresPrivatelyAndAtomicallyWithTheKeysOtherProgramsRead) {
    ASSERT_TRUE(cache.store(picture, tile(300, 150, Qt::red)));
    const QString file = cache.fileFor(picture, 2);
    QImageReader reader(file);
    const QImage stored = reader.read();
    ASSERT_EQ(stored.size(), QSize(300, 150));
    EXPECT_EQ(stored.text("Thumb::URI"), QString::fromLatin1(ThumbnailCache::uriOf(picture)));
    EXPECT_EQ(stored.text("Thumb::MTime").toLongLong(), mtimeOf(picture));
    EXPECT_EQ(stored.text("Thumb::Size").toLongLong(), QFileInfo(picture).size());
    EXPECT_FALSE(stored.text("Software").isEmpty());
    // What is larger than the largest folder is reduced to it.
    ASSERT_TRUE(cache.store(picture, tile(2048, 1024, Qt::red)));
    EXPECT_EQ(QImage(cache.fileFor(picture, 3)).size(), QSize(1024, 512));

    EXPECT_EQ(modeOf(file), 0600);
    for (const QString& folder :
         {temporary.filePath("xdg"), cache.root(), cache.root() + "/x-large"})
        EXPECT_EQ(modeOf(folder), 0700) << folder.toStdString();
    ASSERT_TRUE(cache.storeFailure(picture));
    EXPECT_EQ(modeOf(cache.failureFileFor(picture)), 0600);
    EXPECT_EQ(modeOf(cache.root() + "/fail/ovisto"), 0700);
    // Nothing but the thumbnails themselves: no temporary file stays.
    EXPECT_EQ(QDir(cache.root() + "/x-large").entryList(QDir::Files),
              QStringList{ThumbnailCache::nameOf(picture)});
}

TEST_F(ThumbnailCacheTest, NothingIsKeptForTheCacheItselfOrWhatIsNoLocalFile) {
    ASSERT_TRUE(cache.store(picture, tile(64, 64, Qt::red)));
    const QString own = cache.fileFor(picture, 0);
    const QString link = temporary.filePath("link");
    ASSERT_TRUE(QFile::link(cache.root(), link));
    for (const QString& path :
         {own, link + "/normal/" + ThumbnailCache::nameOf(picture), QString("pictures/photo.png"),
          QString("smb://host/a.png"), QString()}) {
        EXPECT_FALSE(cache.isCachable(path)) << path.toStdString();
        EXPECT_FALSE(cache.store(path, tile(64, 64, Qt::red)));
        EXPECT_FALSE(cache.storeFailure(path));
        EXPECT_EQ(cache.lookup(path, 128).state, ThumbnailCache::Entry::Missing);
    }
    EXPECT_TRUE(cache.isCachable(picture));
    EXPECT_EQ(QDir(cache.root()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{"normal"});
    EXPECT_EQ(QDir(cache.root() + "/normal").entryList(QDir::Files).size(), 1);
}

} // namespace
