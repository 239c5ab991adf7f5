#include "app/InfoWindowController.h"

#include "app/InfoViewController.h"
#include "app/InfoViewPanel.h"
#include "core/Settings.h"
#include "geometry/Coordinates.h"
#include "platform/WindowStacking.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace {

QRectF mainScreenGeometry() {
    const QScreen* main = QGuiApplication::primaryScreen();
    return main ? QRectF(main->geometry()) : QRectF();
}

} // namespace

InfoWindowController::InfoWindowController(QObject* parent) : QObject(parent) {
    panel = new InfoViewPanel;
    connect(panel, &InfoViewPanel::windowDidMove, this, &InfoWindowController::saveWindowPos);
    connect(panel, &InfoViewPanel::windowDidResize, this, &InfoWindowController::saveWindowPos);
    connect(panel, &InfoViewPanel::windowWillClose, this, &InfoWindowController::panelClosed);
    connect(panel, &InfoViewPanel::visibilityChanged, this,
            [this](bool visible) { contentViewController()->setPanelVisible(visible); });
}

InfoWindowController::~InfoWindowController() {
    delete panel;
}

InfoViewPanel* InfoWindowController::window() const {
    return panel;
}

InfoViewController* InfoWindowController::contentViewController() const {
    return panel ? panel->content() : nullptr;
}

bool InfoWindowController::isVisible() const {
    return panel && panel->isVisible();
}

QRect InfoWindowController::placement() const {
    const Settings settings;
    const PanelPlacement::Saved saved{
        double(float(settings.infoPanelX())), double(float(settings.infoPanelY())),
        double(float(settings.infoPanelH())), double(float(settings.infoPanelW()))};
    const QRectF main = mainScreenGeometry();
    const QScreen* screen =
        panel && panel->screen() ? panel->screen() : QGuiApplication::primaryScreen();
    const QRectF visible =
        screen ? Coordinates::screenFromQt(screen->availableGeometry(), main) : QRectF();
    QList<QRectF> usable;
    for (const QScreen* each : QGuiApplication::screens())
        usable.append(Coordinates::screenFromQt(each->availableGeometry(), main));
    const QRectF frame = PanelPlacement::place(saved, visible, usable);
    if (panel)
        panel->setMaximumWidth(int(PanelPlacement::maximumWidth(visible)));
    return Coordinates::screenToQt(frame, main).toAlignedRect();
}

void InfoWindowController::showWindow(QWidget* frontWindow) {
    if (!panel)
        return;
    if (!panel->isVisible()) {
        // Placed before it is shown, so that it never appears elsewhere first.
        placed = placement();
        panel->setGeometry(placed);
        panel->content()->viewWillAppear();
    }
    if (frontWindow && frontWindow->windowHandle()) {
        panel->winId(); // the native window, for its transient parent
        QWindow* handle = panel->windowHandle();
        QWindow* front = frontWindow->windowHandle();
        if (handle && handle->transientParent() != front) {
            handle->setTransientParent(front);
            // Another viewer came to the front while the panel stays shown:
            // Qt would keep telling the window system the old one.
            if (panel->isVisible())
                WindowStacking::setTransientFor(handle, front);
        }
    }
    panel->show();
}

void InfoWindowController::close() {
    if (panel && panel->isVisible())
        panel->close();
}

void InfoWindowController::saveWindowPos() {
    if (!panel || !panel->isVisible())
        return;
    const QRect now = panel->geometry();
    if (now == placed)
        return; // our own placement, not the user's
    placed = QRect();
    const QRectF frame = Coordinates::screenFromQt(QRectF(now), mainScreenGeometry());
    Settings settings;
    settings.setValue(Settings::InfoPanelX, double(float(frame.x())));
    settings.setValue(Settings::InfoPanelY, double(float(frame.y())));
    settings.setValue(Settings::InfoPanelH, double(float(frame.height())));
    settings.setValue(Settings::InfoPanelW, double(float(frame.width())));
}
