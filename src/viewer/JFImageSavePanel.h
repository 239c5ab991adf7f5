#pragma once

#include "core/ExportWriter.h"
#include "platform/ExportFormat.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QComboBox;
class QFileDialog;
class QLabel;
class QSlider;
class QWidget;
class ExportFileDialog;

// The export panel: a file dialog with a format menu and, for JPEG and
// JPEG 2000, a compression slider beneath it. Lives for one export, and
// starts with the format of the command that opened it (`imageType` as set
// before it runs). A typed name with an image extension decides the format;
// a name that is a shown file is refused. The file is written whole or not
// at all; a failure is told in a dialog naming the file and the reason.
class JFImageSavePanel : public QObject {
    Q_OBJECT
  public:
    static constexpr int accessoryHeightWithCompression = 105;
    static constexpr int accessoryHeightWithoutCompression = 42;
    static constexpr int initialCompression = 90;

    static std::unique_ptr<JFImageSavePanel> savePanel();
    JFImageSavePanel();
    ~JFImageSavePanel() override;

    // The folder and name offered, never a shown file (ExportTarget).
    void setSuggestedPath(const QString& path);
    // The shown file and the archive it comes from: refused as targets.
    void setProtectedFiles(const QStringList& files) { protectedFiles = files; }
    // Where the shown image's metadata is read from, for the file written.
    void setMetadataSource(const QString& file, const QByteArray& bytes);
    // The image given is an overview: the file is written from the full
    // pixels of the metadata's source, a band at a time.
    void setStreamed(bool streamed) { fromSource = streamed; }
    void configureSavePanel();
    // Applies the format chosen in the menu.
    void fileTypeChanged();
    void setCompressionSectionVisible(bool visible);
    // Runs the panel; on OK saves the image. Returns the panel's answer
    // (QDialog::Accepted or Rejected).
    int runModalForImage(const QImage& image, QWidget* parent);
    // Encodes and writes to `path` here and now; false (after telling why)
    // on failure.
    bool saveImage(const QImage& image, const QString& path);
    // What saving `image` to `path` asks of the writer, by the panel's choices.
    ExportWriter::Request requestFor(const QImage& image, const QString& path) const;
    // What runs the save on OK: by default saveImage; the viewer hands it
    // to a worker.
    using Saver = std::function<void(const ExportWriter::Request& request)>;
    void setSaver(Saver saver) { save = std::move(saver); }
    // The name check the dialog runs on OK: the typed extension decides the
    // format, else the chosen format's is added; a shown file is refused.
    bool acceptName();

    // Tests answer the error dialog themselves.
    using ErrorReporter = std::function<void(const QString& title, const QString& text)>;
    void setErrorReporter(ErrorReporter reporter) { reportError = std::move(reporter); }
    // The text of the dialog's name field.
    QString nameFieldText() const;
    void setNameFieldText(const QString& name);

    QString title;
    ExportFormat imageType = ExportFormat::Png;
    ExportFileDialog* panel = nullptr;
    QWidget* accessoryView = nullptr;
    QComboBox* fileTypes = nullptr;
    QSlider* compressionFactor = nullptr;
    QLabel* compressionFactorLabel = nullptr;
    QLabel* compressionLeastLabel = nullptr;
    QLabel* compressionBestLabel = nullptr;

  private:
    void buildAccessory();
    // Everything a format change does but renaming.
    void applyChosenFormat();
    void tellFailure(const QString& path, const QString& reason);
    QWidget* compressionSection = nullptr;
    ErrorReporter reportError;
    Saver save;
    QStringList protectedFiles;
    QString metadataFile;
    QByteArray metadataBytes;
    bool fromSource = false;
};
