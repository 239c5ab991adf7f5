#include "viewer/JFImageSavePanel.h"

#include "platform/AtomicFileWriter.h"
#include "platform/ImageEncoder.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QVBoxLayout>

std::unique_ptr<JFImageSavePanel> JFImageSavePanel::savePanel() {
    return std::make_unique<JFImageSavePanel>();
}

JFImageSavePanel::JFImageSavePanel() : title(tr("Export Image")) {
    panel = new QFileDialog;
    panel->setObjectName(QStringLiteral("JFImageSavePanel"));
    // The accessory lives in the dialog's own layout, which only Qt's own
    // dialog has.
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    buildAccessory();
    connect(fileTypes, &QComboBox::currentIndexChanged, this, [this] { fileTypeChanged(); });
    reportError = [this](const QString& heading, const QString& text) {
        QMessageBox::warning(panel->parentWidget(), heading, text);
    };
}

JFImageSavePanel::~JFImageSavePanel() {
    delete panel;
}

void JFImageSavePanel::buildAccessory() {
    accessoryView = new QWidget;
    accessoryView->setObjectName(QStringLiteral("SavePanelAccessoryView"));
    auto* column = new QVBoxLayout(accessoryView);
    column->setContentsMargins(0, 6, 0, 6);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(tr("Format:")));
    fileTypes = new QComboBox;
    fileTypes->setObjectName(QStringLiteral("fileTypes"));
    for (int i = 0; i < ExportFormats::count; ++i)
        fileTypes->addItem(ExportFormats::title(ExportFormats::atIndex(i)));
    formatRow->addWidget(fileTypes);
    formatRow->addStretch();
    column->addLayout(formatRow);

    compressionSection = new QWidget;
    auto* grid = new QGridLayout(compressionSection);
    grid->setContentsMargins(0, 0, 0, 0);
    compressionFactorLabel = new QLabel(tr("Quality:"));
    compressionFactor = new QSlider(Qt::Horizontal);
    compressionFactor->setObjectName(QStringLiteral("compressionFactor"));
    compressionFactor->setRange(0, 100);
    compressionFactor->setValue(initialCompression);
    compressionLeastLabel = new QLabel(tr("Least"));
    compressionBestLabel = new QLabel(tr("Best"));
    grid->addWidget(compressionFactorLabel, 0, 0);
    grid->addWidget(compressionFactor, 0, 1, 1, 2);
    grid->addWidget(compressionLeastLabel, 1, 1, Qt::AlignLeft);
    grid->addWidget(compressionBestLabel, 1, 2, Qt::AlignRight);
    column->addWidget(compressionSection);
    column->addStretch();

    if (auto* layout = qobject_cast<QGridLayout*>(panel->layout()))
        layout->addWidget(accessoryView, layout->rowCount(), 0, 1, layout->columnCount());
    else
        accessoryView->setParent(panel);
}

void JFImageSavePanel::setCompressionSectionVisible(bool visible) {
    compressionSection->setVisible(visible);
    accessoryView->setFixedHeight(visible ? accessoryHeightWithCompression
                                          : accessoryHeightWithoutCompression);
}

QString JFImageSavePanel::nameFieldText() const {
    const auto* field = panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return field ? field->text() : QString();
}

void JFImageSavePanel::setNameFieldText(const QString& name) {
    if (auto* field = panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        field->setText(name);
}

void JFImageSavePanel::setSuggestedName(const QString& path) {
    const QFileInfo info(path);
    if (!path.isEmpty() && info.dir().exists())
        panel->setDirectory(info.dir());
    const QString base = path.isEmpty() ? tr("Untitled") : info.completeBaseName();
    setNameFieldText(base + QLatin1Char('.') + ExportFormats::suffix(imageType));
}

void JFImageSavePanel::configureSavePanel() {
    panel->setWindowTitle(title);
    panel->setOption(QFileDialog::ShowDirsOnly, false);
    {
        const QSignalBlocker quiet(fileTypes);
        fileTypes->setCurrentIndex(-1);
        fileTypes->setCurrentIndex(ExportFormats::indexOf(imageType));
    }
    fileTypeChanged();
}

void JFImageSavePanel::fileTypeChanged() {
    if (fileTypes->currentIndex() < 0)
        return;
    imageType = ExportFormats::atIndex(fileTypes->currentIndex());
    const bool compression = ExportFormats::hasCompression(imageType);
    if (compression)
        compressionBestLabel->setText(ExportFormats::bestLabel(imageType));
    setCompressionSectionVisible(compression);
    compressionFactorLabel->setEnabled(compression);

    const QString suffix = ExportFormats::suffix(imageType);
    const QString name = nameFieldText();
    panel->setNameFilter(QStringLiteral("%1 (*.%2)").arg(ExportFormats::title(imageType), suffix));
    // The dialog adds this to a name without one, before its own overwrite
    // question, so the question is about the file that will be written.
    panel->setDefaultSuffix(suffix);
    // Changing the filter may clear the name field: put the name back, with
    // the new extension when it had one.
    setNameFieldText(ExportFormats::withSuffix(name, imageType));
}

int JFImageSavePanel::runModalForImage(const QImage& image, QWidget* parent) {
    if (parent)
        panel->setParent(parent, panel->windowFlags());
    configureSavePanel();
    const int response = panel->exec();
    if (response == QDialog::Accepted && !panel->selectedFiles().isEmpty())
        saveImage(image, panel->selectedFiles().constFirst());
    return response;
}

bool JFImageSavePanel::saveImage(const QImage& image, const QString& path) {
    QString reason;
    const float factor = float(compressionFactor->value()) / 100.0f;
    const QByteArray bytes = ImageEncoder::encode(image, imageType, factor, &reason);
    AtomicFileWriter writer;
    if (!bytes.isEmpty() && writer.write(path, bytes))
        return true;
    if (reason.isEmpty())
        reason = writer.errorString();
    reportError(tr("The image could not be exported"),
                tr("“%1” could not be written: %2").arg(QDir::toNativeSeparators(path), reason));
    return false;
}
