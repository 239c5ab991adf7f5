#pragma once

#include <QDialog>

class QListWidget;

// Help > About Ovisto: the version, as --version prints it, and the
// libraries the viewer reads images with, at the versions running.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QListWidget* libraries() const { return list; }

  private:
    QListWidget* list = nullptr;
};
