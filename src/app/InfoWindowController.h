#pragma once

#include "info/PanelPlacement.h"

#include <QObject>
#include <QPointer>
#include <QRect>

class InfoViewController;
class InfoViewPanel;
class QWidget;

// Owns the information panel window for the life of the application: places
// it from the stored geometry each time it is shown, stores the user's moves
// and resizes, and tells the application when the panel closes.
class InfoWindowController : public QObject {
    Q_OBJECT
  public:
    explicit InfoWindowController(QObject* parent = nullptr);
    ~InfoWindowController() override;

    InfoViewPanel* window() const;
    InfoViewController* contentViewController() const;
    bool isVisible() const;

    // Shows the panel beside `frontWindow` (its transient parent), placed first.
    void showWindow(QWidget* frontWindow);
    void close();
    // Stores the visible panel's geometry; what this object set itself is not
    // the user's and is never stored.
    void saveWindowPos();
    // Where the panel goes now, in Qt's screen coordinates (client area).
    QRect placement() const;

  signals:
    void panelClosed();

  private:
    QPointer<InfoViewPanel> panel;
    QRect placed; // the geometry the code itself set last
};
