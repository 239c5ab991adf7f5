#include "menus/RTSpinKitView.h"
#include "platform/WorkerPools.h"
#include "support/ViewerWindowTest.h"
#include "support/ZipBuilder.h"
#include "viewer/ExportFileDialog.h"
#include "viewer/ImageExporter.h"
#include "viewer/ImageMimeData.h"
#include "viewer/ImagePrinter.h"
#include "viewer/JFImageSavePanel.h"

#include <QClipboard>
#include <QColorSpace>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QScopeGuard>
#include <QSemaphore>
#include <QStandardPaths>
#include <QThreadPool>
#include <exiv2/exiv2.hpp>

namespace {

QImage gradient(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 255 / w, y * 255 / h, 90, 255));
    return image;
}

class ImageOutput : public ViewerWindowTest {
  protected:
    QImage shown() const { return vc->getCurrentImage().convertToFormat(QImage::Format_ARGB32); }
};

TEST_F(ImageOutput, CopyPutsTheTurnedSelectionThenThePathThenTheArchivedImageOrNothing) {
    ASSERT_TRUE(TestImages::writeImage(path("g.png"), gradient(60, 40), "PNG"));
    ASSERT_TRUE(open(path("g.png")));
    vc->transforms()->rotate90();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !vc->isTransforming(); }, 10000));
    vc->selectAll();
    ASSERT_TRUE(vc->output()->copySelectionToClipboard());
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data->hasImage());
    EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).constBits(),
              vc->getCurrentImage().constBits())
        << "the shown pixels themselves, not a copy";
    EXPECT_EQ(vc->getCurrentImage().size(), QSize(40, 60));
    const auto* offered = qobject_cast<const ImageMimeData*>(data);
    ASSERT_NE(offered, nullptr);
    EXPECT_FALSE(offered->hasEncoded()) << "encoded only when a program asks";
    const QImage png = QImage::fromData(data->data(QStringLiteral("image/png")), "PNG");
    EXPECT_EQ(png.convertToFormat(QImage::Format_ARGB32), shown()) << "offered as PNG bytes";

    vc->deselect();
    ASSERT_TRUE(vc->output()->copySelectionToClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), path("g.png"));
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasImage()) << "text, not pixels";

    ZipBuilder zip;
    zip.add("inside.png", TestImages::encode(gradient(16, 8), "PNG"));
    ASSERT_TRUE(zip.writeTo(path("pack.zip")));
    ASSERT_TRUE(open(path("pack.zip")));
    ASSERT_TRUE(vc->output()->copySelectionToClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32),
              gradient(16, 8));

    // Clipboard bytes shown: nothing to write, and the clipboard is kept.
    QGuiApplication::clipboard()->setText(QStringLiteral("what the user had"));
    vc->startWithData(TestImages::encode(gradient(20, 10), "PNG"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->isImageShown(); }, 10000));
    EXPECT_FALSE(vc->output()->copySelectionToClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("what the user had"));
}

TEST(SavePanel, TheFormatMenuDrivesTheSliderTheLabelAndTheExtension) {
    JFImageSavePanel panel;
    EXPECT_TRUE(panel.panel->isAncestorOf(panel.accessoryView)) << "in the dialog's layout";
    panel.setSuggestedPath(QStringLiteral("/nowhere/photo.png"));
    panel.configureSavePanel();
    EXPECT_EQ(panel.imageType, ExportFormat::Png);
    EXPECT_EQ(panel.fileTypes->currentIndex(), 2);
    EXPECT_EQ(panel.nameFieldText(), QStringLiteral("photo.png"));
    const struct {
        int index;
        ExportFormat format;
        const char *name, *best;
        bool slider;
    } cases[] = {{0, ExportFormat::Jpeg, "photo.jpg", "Best", true},
                 {1, ExportFormat::Jpeg2000, "photo.jp2", "Lossless", true},
                 {4, ExportFormat::Bmp, "photo.bmp", nullptr, false}};
    for (const auto& c : cases) {
        panel.fileTypes->setCurrentIndex(c.index);
        EXPECT_EQ(panel.imageType, c.format) << c.name;
        EXPECT_EQ(panel.nameFieldText(), QLatin1String(c.name));
        EXPECT_EQ(panel.panel->defaultSuffix(), QLatin1String(c.name + 6));
        EXPECT_EQ(panel.compressionFactor->isVisibleTo(panel.accessoryView), c.slider) << c.name;
        EXPECT_EQ(panel.compressionFactorLabel->isEnabled(), c.slider) << c.name;
        if (c.best) {
            EXPECT_EQ(panel.compressionBestLabel->text(), QLatin1String(c.best));
        }
    }
    panel.setNameFieldText(QStringLiteral("no extension"));
    panel.fileTypes->setCurrentIndex(3);
    EXPECT_EQ(panel.nameFieldText(), QStringLiteral("no extension"));
    EXPECT_EQ(panel.panel->defaultSuffix(), QStringLiteral("tiff"))
        << "the dialog adds it before its overwrite question";

    // A failed export is told and leaves nothing; a good one writes the pixels at full size.
    QTemporaryDir dir;
    panel.fileTypes->setCurrentIndex(2);
    QStringList told;
    panel.setErrorReporter([&](const QString&, const QString& text) { told.append(text); });
    EXPECT_FALSE(panel.saveImage(gradient(10, 10), QStringLiteral("/sys/ovisto-out.png")));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("/sys/ovisto-out.png"))) << told[0].toStdString();
    EXPECT_FALSE(QFile::exists(QStringLiteral("/sys/ovisto-out.png")));
    EXPECT_FALSE(panel.saveImage(gradient(10, 10), dir.filePath(QStringLiteral("gone/out.png"))));
    EXPECT_EQ(told.size(), 2);
    const QString fine = dir.filePath(QStringLiteral("fine.png"));
    EXPECT_TRUE(panel.saveImage(gradient(30, 20), fine));
    EXPECT_EQ(told.size(), 2);
    // Pixels only: the file also says it is sRGB, which the image leaves unsaid.
    QImage written = QImage(fine).convertToFormat(QImage::Format_ARGB32);
    written.setColorSpace(QColorSpace());
    EXPECT_EQ(written, gradient(30, 20));
}

// What the export panel showed when it came up.
struct Offer {
    QString folder;
    QString name;
    int format = -1;
};

Offer offerOf(const JFImageSavePanel& panel) {
    return {panel.panel->directory().absolutePath(), panel.nameFieldText(),
            panel.fileTypes->currentIndex()};
}

TEST_F(ImageOutput, ExportEncodesOnAWorkerKeepingThePhotosMetadata) {
    ASSERT_TRUE(TestImages::write(path("turned.jpg"),
                                  TestImages::jpegWithOrientation(gradient(60, 40), 6)));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    ASSERT_TRUE(open(path("turned.jpg")));
    ASSERT_EQ(vc->getCurrentImage().size(), QSize(40, 60));
    QStringList told;
    vc->output()->exporter()->setErrorReporter(
        [&](const QString&, const QString& text) { told.append(text); });
    vc->output()->exporter()->setPanelHook([&](JFImageSavePanel& panel) {
        // JPEG is chosen, but the typed extension decides.
        panel.setNameFieldText(QStringLiteral("out/upright.png"));
        panel.panel->accept();
    });
    // The export's one worker is kept busy, so the write waits for it.
    const auto gate = std::make_shared<QSemaphore>();
    WorkerPools::exporting()->start([gate] { gate->acquire(); });
    bool opened = false;
    const auto letThrough = [&] {
        if (!std::exchange(opened, true))
            gate->release();
    };
    const auto onFailure = qScopeGuard(letThrough);
    vc->output()->exportImage(ExportFormat::Jpeg);
    EXPECT_TRUE(vc->output()->exporter()->isRunning());
    EXPECT_TRUE(vc->loadingSpinner()->isAnimating());
    EXPECT_FALSE(QFile::exists(path("out/upright.png"))) << "not written on the main thread";
    letThrough();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !vc->output()->exporter()->isRunning(); }, 10000));
    EXPECT_FALSE(vc->loadingSpinner()->isAnimating());
    EXPECT_TRUE(told.isEmpty()) << told.join(QLatin1Char('\n')).toStdString();

    const QByteArray written = TestImages::read(path("out/upright.png"));
    EXPECT_TRUE(written.startsWith("\x89PNG")) << "PNG bytes for a .png name";
    EXPECT_EQ(QImage::fromData(written).size(), QSize(40, 60));
    auto back = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(written.constData()),
                                          long(written.size()));
    back->readMetadata();
    const auto orientation = back->exifData().findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    ASSERT_NE(orientation, back->exifData().end()) << "the photo's EXIF is carried";
    EXPECT_EQ(orientation->toLong(), 1) << "the pixels are upright already";

    // The next export starts in the folder of this one.
    Offer offer;
    vc->output()->exporter()->setPanelHook([&](JFImageSavePanel& panel) {
        offer = offerOf(panel);
        panel.panel->reject();
    });
    vc->output()->exportImage(ExportFormat::Png);
    EXPECT_EQ(offer.folder, QDir(path("out")).absolutePath());
    EXPECT_EQ(offer.name, QStringLiteral("turned.png"));
}

TEST(PrintPlacement, FitsDownCentresAndNeverEnlarges) {
    EXPECT_EQ(ImagePrinter::placement({100, 50}, {500, 700}), QRectF(200, 325, 100, 50));
    EXPECT_EQ(ImagePrinter::placement({1000, 500}, {500, 700}), QRectF(0, 225, 500, 250));
    EXPECT_EQ(ImagePrinter::placement({500, 1400}, {500, 700}), QRectF(125, 0, 250, 700));
    EXPECT_TRUE(ImagePrinter::placement({0, 50}, {500, 700}).isNull());
}

// The bounding box of the page's non-white pixels.
QRect inked(const QImage& page) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 200)
                box |= QRect(x, y, 1, 1);
    return box;
}

TEST(PrintToPdf, ThePageHoldsTheImageFittedAndCentred) {
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty())
        GTEST_SKIP() << "pdftoppm is not installed";
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(36, 36, 36, 36), QPageLayout::Point);
    const QSizeF area = printer.pageLayout().paintRect(QPageLayout::Point).size(); // 523 x 770
    QImage image(750, 500, QImage::Format_RGB32); // any pixels stand for 3000 x 2000 points
    image.fill(Qt::black);
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(ImagePrinter::print(image, QSizeF(3000, 2000), printer));
    QProcess render;
    render.start(pdftoppm,
                 {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                  QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(render.waitForFinished(30000));
    const QImage page(dir.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 595, 1);
    const QRect box = inked(page);
    EXPECT_NEAR(box.width(), area.width(), 2);
    EXPECT_NEAR(box.height(), area.width() * 2 / 3, 2);
    EXPECT_NEAR(box.center().x(), page.width() / 2.0, 2) << "centred across";
    EXPECT_NEAR(box.center().y(), page.height() / 2.0, 2) << "and down";
}

} // namespace
