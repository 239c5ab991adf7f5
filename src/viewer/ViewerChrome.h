#pragma once

#include "viewer/InterfaceHider.h"

#include <QCursor>
#include <QObject>
#include <QPointer>
#include <optional>

class QGraphicsOpacityEffect;
class QVariantAnimation;
class QWidget;
class ViewController;

// Shows and fades the viewer's chrome (toolbar, header with its window
// buttons) as the InterfaceHider decides, and hides the cursor over the view
// with it. The mouse is watched on the top-level window: the header is a
// sibling of the content, so the content alone would see the pointer leave
// onto it. A hidden cursor comes back on the next move, when the window
// deactivates, and when any other window (a dialog, a menu, a popup) opens.
class ViewerChrome : public QObject {
    Q_OBJECT
  public:
    ViewerChrome(QWidget* window, QWidget* header, ViewController* viewer);
    ~ViewerChrome() override;

    InterfaceHider& hider() { return rules; }
    void showInterface();
    void hideInterface();
    // The window closes: no hide may fire afterwards, the cursor comes back.
    void windowClosing();
    // Entering full screen hides the header for good; leaving shows it.
    void setFullScreen(bool fullScreen);
    // The window's native window exists now (or anew): watch it.
    void watchWindow();
    bool isFading() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool pointerOverChrome(const QPoint& global) const;
    bool toolActive() const;
    void restoreCursor();
    // While the cursor is hidden: whether `event` must bring it back.
    bool restoresCursor(QObject* watched, QEvent* event) const;
    void setChromeOpacity(double opacity);
    void endFade();

    QPointer<QWidget> window;
    QPointer<QWidget> header;
    QPointer<ViewController> viewer;
    InterfaceHider rules;
    QVariantAnimation* fade = nullptr;
    bool fullScreen = false;
    bool cursorHidden = false;
    // Watches the whole application while the cursor is hidden.
    QObject* cursorWatch = nullptr;
    // The tool's cursor the blank one stands in for; none for the arrow.
    std::optional<QCursor> toolCursor;
};
