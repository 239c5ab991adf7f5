#include "app/WelcomeWindow.h"

#include "core/Settings.h"
#include "viewer/OrvaneWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <algorithm>

namespace {

QPixmap renderSvg(const QString& name, const QSize& size, qreal scale) {
    QSvgRenderer renderer(QStringLiteral(":/%1.svg").arg(name));
    QPixmap pixmap(size * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return pixmap;
}

// The main keys, each group of caps with what it does, said exactly as the
// viewer handles them.
struct KeyHint {
    QStringList caps;
    QString meaning;
};

QList<KeyHint> keyHints() {
    const auto tr = [](const char* text) { return WelcomeWindow::tr(text); };
    return {{{QStringLiteral("←"), QStringLiteral("→")}, tr("step")},
            {{tr("Ctrl"), QStringLiteral("+"), QStringLiteral("−")}, tr("zoom")},
            {{QStringLiteral("0")}, tr("actual size")},
            {{QStringLiteral("Z")}, tr("hold: zoom")},
            {{tr("Space")}, tr("hold: pan")},
            {{tr("Home"), tr("End")}, tr("first, last")},
            {{tr("Esc")}, tr("close")}};
}

QPixmap renderKeyHints(const QSize& size, qreal scale, const QFont& base) {
    QPixmap pixmap(size * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont capFont = base;
    capFont.setBold(true);
    capFont.setPixelSize(13);
    QFont meaningFont = base;
    meaningFont.setPixelSize(12);
    const QFontMetricsF capMetrics(capFont);
    const QFontMetricsF meaningMetrics(meaningFont);
    constexpr double top = 46; // clear of the splash above
    constexpr double capHeight = 30;
    constexpr double capGap = 4;
    constexpr double groupGap = 10;
    const auto capWidth = [&](const QString& cap) {
        return std::max(28.0, capMetrics.horizontalAdvance(cap) + 14);
    };
    const auto capsWidth = [&](const KeyHint& hint) {
        double width = -capGap;
        for (const QString& cap : hint.caps)
            width += capWidth(cap) + capGap;
        return width;
    };
    const auto groupWidth = [&](const KeyHint& hint) {
        return std::max(capsWidth(hint), meaningMetrics.horizontalAdvance(hint.meaning));
    };

    const QList<KeyHint> hints = keyHints();
    double width = -groupGap;
    for (const KeyHint& hint : hints)
        width += groupWidth(hint) + groupGap;
    double left = (size.width() - width) / 2;
    for (const KeyHint& hint : hints) {
        const double group = groupWidth(hint);
        double x = left + (group - capsWidth(hint)) / 2;
        for (const QString& cap : hint.caps) {
            const QRectF key(x, top, capWidth(cap), capHeight);
            // A faint base a little lower gives each cap some depth.
            painter.setPen(QPen(QColor(255, 255, 255, 56), 1.5));
            painter.setBrush(QColor(255, 255, 255, 15));
            painter.drawRoundedRect(key.translated(0, 3), 6, 6);
            painter.setPen(QPen(QColor(255, 255, 255, 158), 1.5));
            painter.setBrush(QColor(52, 52, 58, 230));
            painter.drawRoundedRect(key, 6, 6);
            painter.setFont(capFont);
            painter.setPen(Qt::white);
            painter.drawText(key, Qt::AlignCenter, cap);
            x += key.width() + capGap;
        }
        painter.setFont(meaningFont);
        painter.setPen(QColor(255, 255, 255, 178));
        painter.drawText(QRectF(left, top + capHeight + 8, group, meaningMetrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, hint.meaning);
        left += group + groupGap;
    }
    return pixmap;
}

} // namespace

WelcomeWindow::WelcomeWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("WelcomeWindow"));
    setWindowTitle(tr("Welcome to Ovisto"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(660, 440);

    splash = new QLabel(this);
    splash->setPixmap(renderSvg(QStringLiteral("welcome-splash"), QSize(620, 300), devicePixelRatioF()));
    keyboard = new QLabel(this);
    keyboard->setPixmap(renderKeyHints(QSize(560, 160), devicePixelRatioF(), font()));
    legend = new QLabel(tr("Open an image, a folder or a zip archive, or drop one on the window."), this);
    legend->setAlignment(Qt::AlignCenter);
    QPalette light = legend->palette();
    light.setColor(QPalette::WindowText, QColor(255, 255, 255, 200));
    legend->setPalette(light);
    for (QWidget* part : {static_cast<QWidget*>(splash), static_cast<QWidget*>(keyboard),
                          static_cast<QWidget*>(legend)}) {
        auto* fade = new QGraphicsOpacityEffect(part);
        part->setGraphicsEffect(fade);
        fades.append(fade);
    }

    hideWelcomeScreenCheck = new QCheckBox(tr("Don't show this window at launch"), this);
    hideWelcomeScreenCheck->setPalette(light);
    connect(hideWelcomeScreenCheck, &QCheckBox::clicked, this, [](bool checked) {
        Settings().setHideWelcomeScreen(checked ? 1 : 0);
    });
    auto* close = new QPushButton(tr("Start"), this);
    close->setObjectName(QStringLiteral("closeWindow"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &WelcomeWindow::closeWindow);

    animation = new QParallelAnimationGroup(this);
    for (QGraphicsOpacityEffect* fade : fades) {
        auto* a = new QPropertyAnimation(fade, "opacity", animation);
        a->setEndValue(1.0);
        animation->addAnimation(a);
    }
    auto* splashSlide = new QPropertyAnimation(this, "splashTop", animation);
    splashSlide->setEndValue(splashTopAfter);
    animation->addAnimation(splashSlide);
    auto* keyboardSlide = new QPropertyAnimation(this, "keyboardTop", animation);
    keyboardSlide->setEndValue(keyboardTopAfter);
    animation->addAnimation(keyboardSlide);
    for (int i = 0; i < animation->animationCount(); ++i) {
        auto* a = static_cast<QPropertyAnimation*>(animation->animationAt(i));
        a->setDuration(animationMs);
        a->setEasingCurve(QEasingCurve::OutCubic);
    }
    resetToStart();
}

void WelcomeWindow::resetToStart() {
    animation->stop();
    for (QGraphicsOpacityEffect* fade : fades)
        fade->setOpacity(0.0);
    splashOffset = splashTopBefore;
    keyboardOffset = keyboardTopBefore;
    hideWelcomeScreenCheck->setChecked(Settings().hideWelcomeScreen() >= 1);
    layoutContent();
}

void WelcomeWindow::showAnimated() {
    resetToStart();
    if (!isVisible())
        OrvaneWindow::centreOnCursorScreen(this);
    show();
    raise();
    activateWindow();
    // A viewer window the launch opens a moment later must not cover it.
    qApp->installEventFilter(this);
    animation->start();
}

bool WelcomeWindow::eventFilter(QObject* watched, QEvent* event) {
    // Only the first viewer window, the one a launch opens with the welcome:
    // what the user opens later comes to the front as usual.
    if (event->type() == QEvent::Show && watched->isWidgetType() &&
        OrvaneWindow::isViewerWindow(static_cast<QWidget*>(watched))) {
        qApp->removeEventFilter(this);
        // After that window has been mapped and raised itself.
        QTimer::singleShot(0, this, [this] {
            if (isVisible()) {
                raise();
                activateWindow();
            }
        });
    }
    return false;
}

void WelcomeWindow::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    QWidget::hideEvent(event);
}

void WelcomeWindow::closeWindow() {
    resetToStart();
    close();
}

double WelcomeWindow::contentOpacity() const {
    return fades.first()->opacity();
}

void WelcomeWindow::setSplashTop(double top) {
    splashOffset = top;
    layoutContent();
}

void WelcomeWindow::setKeyboardTop(double top) {
    keyboardOffset = top;
    layoutContent();
}

void WelcomeWindow::layoutContent() {
    const int left = (width() - int(splashWidth)) / 2;
    splash->setGeometry(left, int(splashOffset), int(splashWidth), 300);
    keyboard->setGeometry((width() - 560) / 2, int(keyboardOffset) + 130, 560, 160);
    legend->setGeometry(20, height() - 110, width() - 40, 24);
    hideWelcomeScreenCheck->adjustSize();
    hideWelcomeScreenCheck->move(20, height() - 44);
    if (auto* close = findChild<QPushButton*>(QStringLiteral("closeWindow"))) {
        close->adjustSize();
        close->move(width() - close->width() - 20, height() - 48);
    }
}

void WelcomeWindow::resizeEvent(QResizeEvent*) {
    layoutContent();
}

void WelcomeWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient backdrop(0, 0, 0, height());
    backdrop.setColorAt(0, QColor(38, 40, 48));
    backdrop.setColorAt(1, QColor(20, 20, 24));
    painter.fillRect(rect(), backdrop);
}
