#pragma once

#include <QMainWindow>

// The preferences window: closing it, with its button or Escape, only hides it.
class CCNPreferencesWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit CCNPreferencesWindow(QWidget* parent = nullptr);

  signals:
    // Moved or resized: the frame is worth saving.
    void frameChanged();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
