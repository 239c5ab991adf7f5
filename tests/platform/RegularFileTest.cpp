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

// A hostile folder's entries, named like photos, none a regular file, fail
// at once through every way a shown file is read, and none is even opened:
// opening a device can act on it, opening a FIFO wakes its writer.
TEST(RegularFile, NoEntryButARegularFileIsOpenedOrWaitedFor) {
    QTemporaryDir folder;
    const auto name = [&](const char* entry) {
        return QFile::encodeName(folder.filePath(QString::fromLatin1(entry)));
    };
    ASSERT_EQ(::mkfifo(name("fifo.jpg").constData(), 0600), 0);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, name("socket.jpg").constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    QStringList entries = {"fifo.jpg", "socket.jpg", "gone.jpg"};
    // Only root may make a device; the links to /dev stand for one otherwise.
    if (::mknod(name("device.jpg").constData(), S_IFCHR | 0600, makedev(1, 5)) == 0)
        entries << "device.jpg";
    for (const auto& [link, target] : {std::pair{"zero.jpg", "/dev/zero"},
                                       {"random.jpg", "/dev/random"},
                                       {"stdin.jpg", "/dev/stdin"},
                                       {"loop-a.jpg", "loop-b.jpg"},
                                       {"loop-b.jpg", "loop-a.jpg"},
                                       {"dangling.jpg", "gone.jpg"},
                                       {"folder.jpg", "."},
                                       {"to-fifo.jpg", "fifo.jpg"}}) {
        ASSERT_EQ(::symlink(target, name(link).constData()), 0);
        entries << link;
    }
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
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
    // Events on the folder itself have no name; its entries' would.
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = ::read(watch, events, sizeof events)) > 0;)
        for (char* at = events; at < events + n; at += sizeof(inotify_event)) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            EXPECT_EQ(event->len, 0u) << "opened " << event->name;
            at += event->len;
        }
    ::close(watch);
    ::close(listener);
}

// Read whole within its limit, also through a link from another folder
// (the user's own), whose stamp is then the file's.
TEST(RegularFile, ReadsAWholeFileWithinItsLimit) {
    QTemporaryDir folder, elsewhere;
    const QString path = folder.filePath("a.jpg"), link = elsewhere.filePath("link.jpg");
    const QByteArray jpeg = TestImages::encode(TestImages::asymmetric(8, 6), "JPEG");
    ASSERT_TRUE(TestImages::write(path, jpeg));
    ASSERT_EQ(::symlink(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()),
              0);
    EXPECT_EQ(RegularFile::readAll(path, jpeg.size()), jpeg);
    EXPECT_EQ(RegularFile::readAll(link, jpeg.size()), jpeg);
    EXPECT_EQ(FileStamp::of(link), FileStamp::of(path));
    EXPECT_FALSE(RegularFile::readAll(path, jpeg.size() - 1));
    EXPECT_EQ(RegularFile::readHead(path, 4), jpeg.left(4));
    // As a device for Qt's readers.
    std::unique_ptr<QFile> device = RegularFile::open(path).takeDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(QImageReader(device.get()).size(), QSize(8, 6));
    EXPECT_FALSE(RegularFile::open(folder.path()).takeDevice());
}

} // namespace
