#include "app/WelcomeWindow.h"

#include "core/Settings.h"

#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSvgRenderer>

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

} // namespace

WelcomeWindow::WelcomeWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("WelcomeWindow"));
    setWindowTitle(tr("Welcome to Ovisto"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(660, 440);

    splash = new QLabel(this);
    splash->setPixmap(renderSvg(QStringLiteral("welcome-splash"), QSize(620, 300), devicePixelRatioF()));
    keyboard = new QLabel(this);
    keyboard->setPixmap(renderSvg(QStringLiteral("welcome-keyboard"), QSize(560, 160), devicePixelRatioF()));
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
    show();
    raise();
    activateWindow();
    animation->start();
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
