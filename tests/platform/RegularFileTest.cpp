#include "platform/RegularFile.h"
#include "platform/ExportMetadata.h"
#include "platform/FileStamp.h"
#include "platform/ImageSource.h"
#include "platform/MappedFile.h"
#include "support/TestImages.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Entries of a hostile folder, all named like photos, none a regular file:
// a FIFO no one writes to, a socket, a device node, links to endless or
// waiting devices, a loop of links, a dangling link, a link to the folder.
class HostileEntries : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_EQ(::mkfifo(name("fifo.jpg"), 0600), 0);
        listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, name("socket.jpg"), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        // Only root may make one; the links to /dev cover devices otherwise.
        if (::mknod(name("device.jpg"), S_IFCHR | 0600, makedev(1, 5)) == 0)
            entries << "device.jpg";
        const std::pair<const char*, const char*> links[] = {
            {"zero.jpg", "/dev/zero"},    {"random.jpg", "/dev/random"},
            {"stdin.jpg", "/dev/stdin"},  {"loop-a.jpg", "loop-b.jpg"},
            {"loop-b.jpg", "loop-a.jpg"}, {"dangling.jpg", "gone.jpg"},
            {"folder.jpg", "."},          {"to-fifo.jpg", "fifo.jpg"}};
        for (const auto& [link, target] : links) {
            ASSERT_EQ(::symlink(target, name(link)), 0) << link;
            entries << link;
        }
        entries << "fifo.jpg"
                << "socket.jpg"
                << "gone.jpg";
    }
    void TearDown() override { ::close(listener); }
    const char* name(const char* entry) {
        held = QFile::encodeName(folder.filePath(QString::fromLatin1(entry)));
        return held.constData();
    }
    QTemporaryDir folder;
    QStringList entries;
    int listener = -1;
    QByteArray held;
};

// Each fails at once, through every way the viewer reads a file, and none is
// even opened: opening a device can act on it, opening a FIFO wakes a writer.
TEST_F(HostileEntries, FailAtOnceEverywhereAndAreNeverOpened) {
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(folder.path()).constData(), IN_OPEN), 0);
    for (const QString& entry : std::as_const(entries)) {
        SCOPED_TRACE(entry.toStdString());
        const QString path = folder.filePath(entry);
        EXPECT_FALSE(RegularFile::open(path).isOpen());
        EXPECT_FALSE(RegularFile::readAll(path, 1 << 20));
        EXPECT_TRUE(RegularFile::readHead(path, 4096).isEmpty());
        EXPECT_FALSE(MappedFile::open(path));
        EXPECT_FALSE(ImageSource::createWithURL(path));
        EXPECT_TRUE(ExportMetadata::readFile(path).isEmpty());
        EXPECT_FALSE(FileStamp::of(path).value_or(FileStamp{}).regular);
    }
    // The folder's own events (a listing) have no name; its entries' would.
    QStringList opened;
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = ::read(watch, events, sizeof events)) > 0;) {
        for (char* at = events; at < events + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0)
                opened << QString::fromLocal8Bit(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    EXPECT_TRUE(opened.isEmpty()) << opened.join(' ').toStdString();
}

// A link is the user's own: one to a photo elsewhere opens that photo, and
// its stamp is the photo's.
TEST_F(HostileEntries, ALinkToAnImageElsewhereOpensThatImage) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("photo.jpg");
    ASSERT_TRUE(TestImages::writeImage(target, TestImages::asymmetric(8, 6), "JPEG"));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), name("link.jpg")), 0);
    const QString link = folder.filePath("link.jpg");
    auto source = ImageSource::createWithURL(link);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->imageAtIndex(0).size(), QSize(8, 6));
    EXPECT_EQ(FileStamp::of(link), FileStamp::of(target));
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
