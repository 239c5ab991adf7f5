#include "viewer/WindowHeader.h"

#include "viewer/ChromeStyle.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWindow>

namespace {

QToolButton* headerButton(QWidget* parent, const char* name, const char* picture,
                          const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon(QStringLiteral(":/%1.svg").arg(QString::fromLatin1(picture))));
    button->setIconSize(QSize(14, 14));
    button->setFixedSize(24, 24);
    button->setAutoRaise(true);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

WindowHeader::WindowHeader(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("windowHeader"));
    setFixedHeight(headerHeight);
    setStyleSheet(ChromeStyle::buttonBarStyleSheet());
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(4);
    closeButton = headerButton(this, "closeButton", "window-close", tr("Close"));
    minimiseButton = headerButton(this, "minimiseButton", "window-minimise", tr("Minimise"));
    zoomButton = headerButton(this, "zoomButton", "window-zoom", tr("Zoom"));
    menuButton = headerButton(this, "menuButton", "menu", tr("Menu"));
    menuButton->setPopupMode(QToolButton::InstantPopup);
    titleLabel = new QLabel(this);
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setMinimumWidth(10);
    QPalette palette = titleLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 255, 220));
    titleLabel->setPalette(palette);
    row->addWidget(closeButton);
    row->addWidget(minimiseButton);
    row->addWidget(zoomButton);
    row->addWidget(titleLabel, 1);
    row->addSpacing(24 * 2 + 8);
    row->addWidget(menuButton);
}

void WindowHeader::setTitle(const QString& title) {
    titleLabel->setText(title);
}

QString WindowHeader::title() const {
    return titleLabel->text();
}

void WindowHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Dark enough all the way down that the white title and buttons read
    // over a white image too.
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, QColor(20, 20, 22, 215));
    shade.setColorAt(1, QColor(20, 20, 22, 175));
    painter.fillRect(rect(), shade);
}

void WindowHeader::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // The move starts once the pointer travels: handed to the window
        // manager at the press, the pointer is its own, and the second click
        // of a double click never comes here.
        pressedAt = event->position();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void WindowHeader::mouseMoveEvent(QMouseEvent* event) {
    if (pressedAt && (event->buttons() & Qt::LeftButton) &&
        (event->position() - *pressedAt).manhattanLength() >= QApplication::startDragDistance()) {
        pressedAt.reset();
        if (window()->windowHandle())
            window()->windowHandle()->startSystemMove();
    }
    QWidget::mouseMoveEvent(event);
}

void WindowHeader::mouseReleaseEvent(QMouseEvent* event) {
    pressedAt.reset();
    QWidget::mouseReleaseEvent(event);
}

void WindowHeader::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        zoomButton->click();
}
