#pragma once

#include <QWidget>

class ViewController;
class ViewerChrome;
class WindowHeader;

// A viewer window: frameless, its content filling the whole frame, with its
// own header over the top edge. Every window of this class is a viewer window.
class OrvaneWindow : public QWidget {
    Q_OBJECT
public:
    explicit OrvaneWindow(QWidget* parent = nullptr);

    static bool isViewerWindow(const QWidget* window);
    // Centres any top-level window on the screen under the pointer.
    static void centreOnCursorScreen(QWidget* window);

    ViewController* contentViewController() const { return content; }
    WindowHeader* header() const { return windowHeader; }
    ViewerChrome* chrome() const { return interfaceChrome; }
    // F10 and Shift+F10: the header's menu and the context menu from the
    // keyboard, as with other applications that have one menu button.
    void popUpMainMenu();
    void popUpContextMenu();

  signals:
    void becameKey();
    void resignedMain();
    void closing();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ViewController* content = nullptr;
    WindowHeader* windowHeader = nullptr;
    ViewerChrome* interfaceChrome = nullptr;
};
