#include "viewer/JFImageSavePanel.h"

#include "core/ExportTarget.h"
#include "viewer/ExportFileDialog.h"

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
    panel = new ExportFileDialog;
    panel->setObjectName(QStringLiteral("JFImageSavePanel"));
    // The accessory lives in the dialog's own layout, which only Qt's own
    // dialog has.
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    buildAccessory();
    connect(fileTypes, &QComboBox::currentIndexChanged, this, [this] { fileTypeChanged(); });
    panel->nameCheck = [this] { return acceptName(); };
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

void JFImageSavePanel::setSuggestedPath(const QString& path) {
    const QFileInfo info(path);
    if (info.dir().exists())
        panel->setDirectory(info.dir());
    setNameFieldText(info.fileName());
}

void JFImageSavePanel::setMetadataSource(const QString& file, const QByteArray& bytes) {
    metadataFile = file;
    metadataBytes = bytes;
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
    const QString name = nameFieldText();
    applyChosenFormat();
    // Changing the filter may clear the name field: put the name back, with
    // the new extension when it had one.
    setNameFieldText(ExportFormats::withSuffix(name, imageType));
}

void JFImageSavePanel::applyChosenFormat() {
    imageType = ExportFormats::atIndex(fileTypes->currentIndex());
    const bool compression = ExportFormats::hasCompression(imageType);
    if (compression)
        compressionBestLabel->setText(ExportFormats::bestLabel(imageType));
    setCompressionSectionVisible(compression);
    compressionFactorLabel->setEnabled(compression);
    const QString suffix = ExportFormats::suffix(imageType);
    panel->setNameFilter(QStringLiteral("%1 (*.%2)").arg(ExportFormats::title(imageType), suffix));
    panel->setDefaultSuffix(suffix);
}

bool JFImageSavePanel::acceptName() {
    const QString typed = nameFieldText().trimmed();
    const QDir folder = panel->directory();
    // A folder's name opens the folder, as the dialog does with it.
    if (typed.isEmpty() || QFileInfo(folder.absoluteFilePath(typed)).isDir())
        return true;
    const ExportTarget::Choice choice = ExportTarget::resolvedName(typed, imageType);
    if (choice.format != imageType) {
        const QSignalBlocker quiet(fileTypes);
        fileTypes->setCurrentIndex(ExportFormats::indexOf(choice.format));
        applyChosenFormat();
    }
    setNameFieldText(choice.name);
    const QString target = folder.absoluteFilePath(choice.name);
    if (ExportTarget::writesOver(target, protectedFiles)) {
        tellFailure(target, ExportWriter::shownFileRefusal());
        return false;
    }
    return true;
}

int JFImageSavePanel::runModalForImage(const QImage& image, QWidget* parent) {
    if (parent)
        panel->setParent(parent, panel->windowFlags());
    configureSavePanel();
    const int response = panel->exec();
    if (response == QDialog::Accepted && !panel->selectedFiles().isEmpty()) {
        const ExportWriter::Request request =
            requestFor(image, panel->selectedFiles().constFirst());
        if (save)
            save(request);
        else
            saveImage(image, request.path);
    }
    return response;
}

ExportWriter::Request JFImageSavePanel::requestFor(const QImage& image, const QString& path) const {
    ExportWriter::Request request;
    request.image = image;
    request.format = imageType;
    request.factor = float(compressionFactor->value()) / 100.0f;
    request.path = path;
    request.metadataFile = metadataFile;
    request.metadataBytes = metadataBytes;
    request.protectedFiles = protectedFiles;
    request.streamed = fromSource;
    return request;
}

bool JFImageSavePanel::saveImage(const QImage& image, const QString& path) {
    const QString reason = ExportWriter::write(requestFor(image, path));
    if (reason.isEmpty())
        return true;
    tellFailure(path, reason);
    return false;
}

void JFImageSavePanel::tellFailure(const QString& path, const QString& reason) {
    reportError(tr("The image could not be exported"),
                tr("“%1” could not be written: %2").arg(QDir::toNativeSeparators(path), reason));
}
