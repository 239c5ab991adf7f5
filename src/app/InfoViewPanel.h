#pragma once

#include <QWidget>

class InfoViewController;
class QSizeGrip;

// The floating utility window around the panel's content. It never takes the
// keyboard focus, shown or clicked: the viewer window stays active and keeps
// its keys, and the panel never makes itself hide by taking the focus away.
class InfoViewPanel : public QWidget {
    Q_OBJECT
  public:
    explicit InfoViewPanel(QWidget* parent = nullptr);

    InfoViewController* content() const { return controller; }

  signals:
    void windowDidMove();
    void windowDidResize();
    void windowWillClose();
    void visibilityChanged(bool visible);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    InfoViewController* controller = nullptr;
    QSizeGrip* grip = nullptr;
};
