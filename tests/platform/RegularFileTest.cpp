#include "platform/RegularFile.h"
#include "platform/FileName.h"
#include "platform/ImageSource.h"
#include "support/TestImages.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes bytes under a name given as raw file-system bytes.
bool writeRaw(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::close(fd);
    return written;
}

// Nothing writes to these: opening them for reading would wait for ever.
TEST(RegularFile, FifoDeviceAndFolderFailAtOnce) {
    QTemporaryDir folder;
    const QString fifo = folder.filePath(QStringLiteral("fifo.jpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero"), folder.path(),
                                folder.filePath(QStringLiteral("none.jpg"))}) {
        EXPECT_FALSE(RegularFile::open(path).isOpen()) << qPrintable(path);
        EXPECT_FALSE(RegularFile::readAll(path, 1 << 20)) << qPrintable(path);
        EXPECT_TRUE(RegularFile::readHead(path, 4096).isEmpty()) << qPrintable(path);
        EXPECT_FALSE(ImageSource::createWithURL(path)) << qPrintable(path);
    }
}

TEST(RegularFile, ReadsAWholeFileWithinItsLimit) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.jpg"));
    const QByteArray jpeg = TestImages::encode(TestImages::asymmetric(8, 6), "JPEG");
    ASSERT_TRUE(TestImages::write(path, jpeg));
    EXPECT_EQ(RegularFile::readAll(path, jpeg.size()), jpeg);
    EXPECT_FALSE(RegularFile::readAll(path, jpeg.size() - 1));
    EXPECT_EQ(RegularFile::readHead(path, 4), jpeg.left(4));
    // As a device for Qt's readers.
    std::unique_ptr<QFile> device = RegularFile::open(path).takeDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(QImageReader(device.get()).size(), QSize(8, 6));
    EXPECT_FALSE(RegularFile::open(folder.path()).takeDevice());
}

// A Latin-1 name is not UTF-8: QFile would re-encode it to a name that does
// not exist.
TEST(RegularFile, NameThatIsNotUtf8Opens) {
    QTemporaryDir folder;
    const QByteArray raw = QFile::encodeName(folder.path()) + QByteArray("/caf\xe9.jpg");
    const QByteArray jpeg = TestImages::encode(TestImages::asymmetric(8, 6), "JPEG");
    // QTemporaryDir cannot remove a name that is not UTF-8 by itself.
    const struct Remove {
        QByteArray path;
        ~Remove() { ::unlink(path.constData()); }
    } remove{raw};
    ASSERT_TRUE(writeRaw(raw, jpeg));
    const QString path = FileName::decode(raw);
    EXPECT_EQ(RegularFile::readAll(path, 1 << 20), jpeg);
    auto source = ImageSource::createWithURL(path);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->imageAtIndex(0).size(), QSize(8, 6));
}

} // namespace
