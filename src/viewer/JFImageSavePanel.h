#pragma once

#include "platform/ExportFormat.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QComboBox;
class QFileDialog;
class QLabel;
class QSlider;
class QWidget;

// The export panel: a file dialog with a format menu and, for JPEG and
// JPEG 2000, a compression slider beneath it. Lives for one export, and
// every export starts with PNG. The file is written whole or not at all; a
// failure is told in a dialog naming the file and the reason.
class JFImageSavePanel : public QObject {
    Q_OBJECT
  public:
    static constexpr int accessoryHeightWithCompression = 105;
    static constexpr int accessoryHeightWithoutCompression = 42;
    static constexpr int initialCompression = 90;

    static std::unique_ptr<JFImageSavePanel> savePanel();
    JFImageSavePanel();
    ~JFImageSavePanel() override;

    // The shown item's path: its name, with the format's extension, is
    // offered in the name field. Empty offers "Untitled".
    void setSuggestedName(const QString& path);
    void configureSavePanel();
    // Applies the format chosen in the menu.
    void fileTypeChanged();
    void setCompressionSectionVisible(bool visible);
    // Runs the panel; on OK encodes and writes the image. Returns the
    // panel's answer (QDialog::Accepted or Rejected).
    int runModalForImage(const QImage& image, QWidget* parent);
    // Encodes and writes to `path`; false (after telling why) on failure.
    bool saveImage(const QImage& image, const QString& path);

    // Tests answer the error dialog themselves.
    using ErrorReporter = std::function<void(const QString& title, const QString& text)>;
    void setErrorReporter(ErrorReporter reporter) { reportError = std::move(reporter); }
    // The text of the dialog's name field.
    QString nameFieldText() const;
    void setNameFieldText(const QString& name);

    QString title;
    ExportFormat imageType = ExportFormat::Png;
    QFileDialog* panel = nullptr;
    QWidget* accessoryView = nullptr;
    QComboBox* fileTypes = nullptr;
    QSlider* compressionFactor = nullptr;
    QLabel* compressionFactorLabel = nullptr;
    QLabel* compressionLeastLabel = nullptr;
    QLabel* compressionBestLabel = nullptr;

  private:
    void buildAccessory();
    QWidget* compressionSection = nullptr;
    ErrorReporter reportError;
};
