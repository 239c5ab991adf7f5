#include "platform/DecodeFailure.h"
#include "platform/ImageSource.h"
#include "support/FormatFixtures.h"
#include "support/TestImages.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

// Each way a file fails to show is told apart, from the path as the loader
// has it after the decode gave nothing.

namespace {

using F = FormatFixtures;

QByteArray pngHeader(quint32 width, quint32 height) {
    QByteArray ihdr = F::be({width, height}) + QByteArray("\x08\x02\x00\x00\x00", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + F::pngChunk("IHDR", ihdr);
}

DecodeFailure::Reason failureOf(const QString& path) {
    std::unique_ptr<ImageSource> source = ImageSource::createWithURL(path);
    if (source && !source->imageAtIndex(0).isNull())
        return DecodeFailure::None;
    return DecodeFailure::ofFile(path, source.get());
}

TEST(DecodeFailure, EachFailureIsToldApart) {
    QTemporaryDir dir;
    const QByteArray jpeg = TestImages::encode(TestImages::noise(32, 24), "jpeg");
    struct Case {
        const char* name;
        QByteArray bytes; // null: no file at all
        QFile::Permissions permissions;
        DecodeFailure::Reason expected;
    };
    const QFile::Permissions readable = QFile::ReadOwner | QFile::WriteOwner;
    const Case cases[] = {
        {"sound.jpg", jpeg, readable, DecodeFailure::None},
        {"missing.png", QByteArray(), readable, DecodeFailure::NotFound},
        {"locked.jpg", jpeg, {}, DecodeFailure::NoPermission},
        {"notes.jpg", "just some words, no picture\n", readable, DecodeFailure::NotAnImage},
        {"empty.png", QByteArray(""), readable, DecodeFailure::NotAnImage},
        {"header.png", pngHeader(64, 48) + F::pngChunk("IEND", {}), readable,
         DecodeFailure::Damaged},
        {"header.jpg", jpeg.left(200), readable, DecodeFailure::Damaged},
        {"absurd.png", pngHeader(300000, 300000) + F::pngChunk("IEND", {}), readable,
         DecodeFailure::TooLarge},
        {"budget.png", pngHeader(200000, 200000) + F::pngChunk("IEND", {}), readable,
         DecodeFailure::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.expected == DecodeFailure::NoPermission && geteuid() == 0)
            continue; // root reads any file
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        if (!c.bytes.isNull()) {
            ASSERT_TRUE(TestImages::write(path, c.bytes));
            QFile::setPermissions(path, c.permissions);
        }
        EXPECT_EQ(failureOf(path), c.expected);
    }
}

} // namespace
