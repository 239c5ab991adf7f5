#pragma once

#include <QWidget>
#include <optional>

class QLabel;
class QToolButton;

// The frameless window's own title bar: close, minimise and zoom buttons,
// the title, and the application menu. Dragging it moves the window.
class WindowHeader : public QWidget {
    Q_OBJECT
public:
    static constexpr int headerHeight = 32;

    explicit WindowHeader(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const;

    QToolButton* closeButton = nullptr;
    QToolButton* minimiseButton = nullptr;
    QToolButton* zoomButton = nullptr;
    QToolButton* menuButton = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QLabel* titleLabel = nullptr;
    // Where the left button went down, until a drag or its release.
    std::optional<QPointF> pressedAt;
};
