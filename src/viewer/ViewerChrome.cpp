#include "viewer/ViewerChrome.h"

#include "viewer/MainToolbar.h"
#include "viewer/ViewController.h"
#include "viewer/ViewerInput.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QVariantAnimation>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <functional>

namespace {

// An application-wide event filter that hands its events to a function.
class EventWatch : public QObject {
  public:
    EventWatch(QObject* parent, std::function<void(QObject*, QEvent*)> seen)
        : QObject(parent), seen(std::move(seen)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        seen(watched, event);
        return false;
    }

  private:
    std::function<void(QObject*, QEvent*)> seen;
};

} // namespace

ViewerChrome::ViewerChrome(QWidget* window, QWidget* header, ViewController* viewer)
    : QObject(window), window(window), header(header), viewer(viewer) {
    fade = new QVariantAnimation(this);
    fade->setDuration(int(std::lround(double(InterfaceHider::fadeSeconds) * 1000.0)));
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setChromeOpacity(value.toDouble()); });
    connect(fade, &QVariantAnimation::finished, this, [this] {
        // Hidden, and opaque again for the next show.
        if (this->header)
            this->header->hide();
        if (this->viewer)
            this->viewer->toolbar()->hide();
        endFade();
    });
    connect(&rules, &InterfaceHider::showInterface, this, &ViewerChrome::showInterface);
    connect(&rules, &InterfaceHider::hideInterface, this, &ViewerChrome::hideInterface);
    if (viewer)
        connect(viewer->input(), &ViewerInput::toolEngaged, &rules, &InterfaceHider::toolEngaged);
}

ViewerChrome::~ViewerChrome() {
    restoreCursor();
}

void ViewerChrome::watchWindow() {
    // Installing twice keeps one filter.
    if (window && window->windowHandle())
        window->windowHandle()->installEventFilter(this);
}

bool ViewerChrome::toolActive() const {
    if (!viewer)
        return false;
    const ToolModes& tools = viewer->input()->tools();
    return tools.inZooming() || tools.inDragging() || tools.inSelecting();
}

bool ViewerChrome::pointerOverChrome(const QPoint& global) const {
    for (const QWidget* part :
         {static_cast<const QWidget*>(header.data()),
          static_cast<const QWidget*>(viewer ? viewer->toolbar() : nullptr)}) {
        if (part && part->isVisible() && part->rect().contains(part->mapFromGlobal(global)))
            return true;
    }
    return false;
}

bool ViewerChrome::eventFilter(QObject* watched, QEvent* event) {
    if (!window || watched != window->windowHandle())
        return false;
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        restoreCursor();
        rules.mouseMoved(pointerOverChrome(mouse->globalPosition().toPoint()), toolActive());
        break;
    }
    case QEvent::Leave: {
        const bool inside = window->rect().contains(window->mapFromGlobal(QCursor::pos()));
        rules.mouseLeft(inside, QApplication::activePopupWidget() != nullptr);
        if (!inside)
            restoreCursor();
        break;
    }
    default:
        break;
    }
    return false;
}

bool ViewerChrome::isFading() const {
    return fade->state() == QAbstractAnimation::Running;
}

void ViewerChrome::setChromeOpacity(double opacity) {
    for (QWidget* part :
         {header.data(), viewer ? static_cast<QWidget*>(viewer->toolbar()) : nullptr}) {
        if (!part)
            continue;
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(part->graphicsEffect());
        if (!effect) {
            effect = new QGraphicsOpacityEffect(part);
            part->setGraphicsEffect(effect);
        }
        effect->setOpacity(opacity);
    }
}

void ViewerChrome::endFade() {
    // Without an effect the chrome paints straight to the window again.
    for (QWidget* part :
         {header.data(), viewer ? static_cast<QWidget*>(viewer->toolbar()) : nullptr}) {
        if (part)
            part->setGraphicsEffect(nullptr);
    }
}

void ViewerChrome::showInterface() {
    // A fade under way must not take away what is shown now.
    fade->stop();
    endFade();
    const InterfaceHider::Chrome shown =
        InterfaceHider::shownChrome(viewer && viewer->viewerState().isStarted, fullScreen);
    if (header)
        header->setVisible(shown.header);
    if (viewer)
        viewer->toolbar()->setVisible(shown.toolbar);
}

void ViewerChrome::hideInterface() {
    const bool anyShown =
        (header && header->isVisible()) || (viewer && viewer->toolbar()->isVisible());
    if (anyShown && !isFading())
        fade->start();
    const bool handOrZoom =
        viewer && (viewer->input()->tools().inZooming() || viewer->input()->tools().inDragging());
    if (InterfaceHider::hidesCursor(handOrZoom) && !cursorHidden && window &&
        window->isActiveWindow() && viewer) {
        // On the viewer's own view only: an application-wide cursor would
        // stay blank in every dialog and menu opened before the pointer moves
        // here again. The image itself lets the mouse through to the view,
        // so the view's cursor is the one shown over it.
        cursorHidden = true;
        if (viewer->testAttribute(Qt::WA_SetCursor))
            toolCursor = viewer->cursor();
        else
            toolCursor.reset();
        viewer->setCursor(Qt::BlankCursor);
        if (!cursorWatch)
            cursorWatch = new EventWatch(this, [this](QObject* watched, QEvent* event) {
                if (restoresCursor(watched, event))
                    restoreCursor();
            });
        qApp->installEventFilter(cursorWatch);
    }
}

bool ViewerChrome::restoresCursor(QObject* watched, QEvent* event) const {
    switch (event->type()) {
    case QEvent::Show:
        // Another window of ours: a dialog, a menu, a popup, a panel.
        return watched != window && watched->isWidgetType() &&
               static_cast<QWidget*>(watched)->isWindow();
    case QEvent::WindowDeactivate:
        return watched == window;
    case QEvent::ApplicationDeactivate:
        return true;
    default:
        return false;
    }
}

void ViewerChrome::restoreCursor() {
    if (!cursorHidden)
        return;
    cursorHidden = false;
    if (cursorWatch)
        qApp->removeEventFilter(cursorWatch);
    // A tool switched on meanwhile has set a cursor of its own: it stays.
    if (!viewer || viewer->cursor().shape() != Qt::BlankCursor)
        return;
    if (toolCursor)
        viewer->setCursor(*toolCursor);
    else
        viewer->unsetCursor();
}

void ViewerChrome::windowClosing() {
    rules.cancel();
    fade->stop();
    endFade();
    restoreCursor();
}

void ViewerChrome::setFullScreen(bool on) {
    fullScreen = on;
    if (header && on)
        header->hide();
    else if (header && !on && viewer && viewer->toolbar()->isVisible())
        header->show();
}
