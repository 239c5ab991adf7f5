#pragma once

#include <QFileDialog>
#include <functional>

// The export panel's file dialog: the typed name is looked at, and may be
// changed or refused, before the dialog's own question about replacing a
// file, so that question is about the file that will be written.
class ExportFileDialog : public QFileDialog {
    Q_OBJECT
  public:
    using QFileDialog::QFileDialog;
    // False keeps the dialog open.
    std::function<bool()> nameCheck;

  public slots:
    void accept() override;
};
