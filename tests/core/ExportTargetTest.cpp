#include "core/ExportTarget.h"
#include "core/ExportWriter.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class ExportTargetTest : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return folder.filePath(name); }
    void touch(const QString& name) const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("shown");
    }
    QTemporaryDir folder;
};

TEST(ExportTargetName, AKnownTypedExtensionDecidesTheFormatElseTheMenusIsAdded) {
    struct Case {
        const char* typed;
        ExportFormat chosen;
        const char* name;
        ExportFormat written;
    };
    using F = ExportFormat;
    // clang-format off
    const Case cases[] = {
        {"holiday.png", F::Jpeg, "holiday.png", F::Png},
        {"holiday.PNG", F::Jpeg, "holiday.PNG", F::Png},
        {"a.jpeg", F::Png, "a.jpeg", F::Jpeg}, {"a.jpe", F::Bmp, "a.jpe", F::Jpeg},
        {"scan.tif", F::Png, "scan.tif", F::Tiff}, {"map.jp2", F::Png, "map.jp2", F::Jpeg2000},
        {"old.dib", F::Png, "old.dib", F::Bmp}, {"sub/x.bmp", F::Png, "sub/x.bmp", F::Bmp},
        {"holiday", F::Jpeg, "holiday.jpg", F::Jpeg}, {".png", F::Jpeg, ".png.jpg", F::Jpeg},
        {"notes.txt", F::Tiff, "notes.txt.tiff", F::Tiff},
        {"code.j2k", F::Jpeg2000, "code.j2k.jp2", F::Jpeg2000},
        {"v1.2", F::Png, "v1.2.png", F::Png}, {"png.d/name", F::Bmp, "png.d/name.bmp", F::Bmp},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const ExportTarget::Choice choice =
            ExportTarget::resolvedName(QString::fromUtf8(c.typed), c.chosen);
        EXPECT_EQ(choice.name, QString::fromUtf8(c.name));
        EXPECT_EQ(int(choice.format), int(c.written));
    }
}

TEST_F(ExportTargetTest, TheOfferIsNeverAFileThatIsThere) {
    touch(QStringLiteral("photo.png"));
    touch(QStringLiteral("photo copy.jpg"));
    touch(QStringLiteral("photo copy 2.jpg"));
    struct Case {
        ExportFormat format;
        bool besideShown;
        const char* offered;
    };
    const Case cases[] = {
        {ExportFormat::Png, true, "photo copy.png"},
        {ExportFormat::Jpeg, true, "photo copy 3.jpg"},
        {ExportFormat::Png, false, "photo 2.png"},
        {ExportFormat::Tiff, false, "photo.tiff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offered);
        EXPECT_EQ(ExportTarget::suggestedPath(folder.path(), QStringLiteral("photo"), c.format,
                                              c.besideShown),
                  path(QString::fromUtf8(c.offered)));
    }
}

TEST_F(ExportTargetTest, TheShownFileIsKnownUnderAnyNameThatLeadsToIt) {
    touch(QStringLiteral("shown.png"));
    touch(QStringLiteral("pack.zip"));
    touch(QStringLiteral("other.png"));
    ASSERT_EQ(::link(QFile::encodeName(path("shown.png")).constData(),
                     QFile::encodeName(path("hard.png")).constData()),
              0);
    ASSERT_TRUE(QFile::link(path("shown.png"), path("soft.png")));
    const QStringList shown = {path("shown.png"), path("pack.zip")};
    struct Case {
        QString target;
        bool refused;
    };
    const Case cases[] = {{path("shown.png"), true},  {path("hard.png"), true},
                          {path("soft.png"), true},   {path("pack.zip"), true},
                          {path("other.png"), false}, {path("new.png"), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        EXPECT_EQ(ExportTarget::writesOver(c.target, shown), c.refused);
    }
    EXPECT_FALSE(ExportTarget::writesOver(path("other.png"), {QString(), path("gone.png")}));

    // The writer keeps to it too, whatever let the name through.
    ExportWriter::Request request;
    request.image = QImage(4, 4, QImage::Format_RGB32);
    request.image.fill(Qt::red);
    request.path = path("hard.png");
    request.protectedFiles = shown;
    EXPECT_EQ(ExportWriter::write(request), ExportWriter::shownFileRefusal());
    QFile kept(path("shown.png"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("shown"));
}

} // namespace
