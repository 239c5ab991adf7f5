#include "platform/RegularFile.h"
#include "platform/ImageSource.h"
#include "support/TestImages.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Nothing writes to these: opening them for reading would wait for ever.
TEST(RegularFile, FifoDeviceAndFolderFailAtOnce) {
    QTemporaryDir folder;
    const QString fifo = folder.filePath("fifo.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path :
         {fifo, QStringLiteral("/dev/zero"), folder.path(), folder.filePath("none.jpg")}) {
        EXPECT_FALSE(RegularFile::open(path).isOpen()) << qPrintable(path);
        EXPECT_FALSE(RegularFile::readAll(path, 1 << 20)) << qPrintable(path);
        EXPECT_TRUE(RegularFile::readHead(path, 4096).isEmpty()) << qPrintable(path);
        EXPECT_FALSE(ImageSource::createWithURL(path)) << qPrintable(path);
    }
}

TEST(RegularFile, ReadsAWholeFileWithinItsLimit) {
    QTemporaryDir folder;
    const QString path = folder.filePath("a.jpg");
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

} // namespace
