#include "app/CCNPreferencesWindowController.h"

#include "app/CCNPreferencesWindow.h"
#include "app/PreferencesPane.h"
#include "viewer/ChromeStyle.h"

#include <QAction>
#include <QActionGroup>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QLayout>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

CCNPreferencesWindowController::CCNPreferencesWindowController(QObject* parent) : QObject(parent) {
    preferencesWindow = new CCNPreferencesWindow;
    // One title for the window; the toolbar's checked item names the pane.
    preferencesWindow->setWindowTitle(tr("Preferences"));
    ChromeStyle::darken(preferencesWindow);
    preferencesWindow->setContextMenuPolicy(Qt::PreventContextMenu);
    auto* container = new QWidget;
    content = new QVBoxLayout(container);
    content->setContentsMargins(0, 0, 0, 0);
    preferencesWindow->setCentralWidget(container);
    preferencesWindow->resize(420, 230);
    restoreFrame();
    connect(preferencesWindow, &CCNPreferencesWindow::frameChanged, this,
            &CCNPreferencesWindowController::saveFrame);
}

CCNPreferencesWindowController::~CCNPreferencesWindowController() {
    delete preferencesWindow;
}

void CCNPreferencesWindowController::restoreFrame() {
    const QRect saved = settings.preferencesFrame();
    // A frame saved on a screen that has since gone would open out of reach.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(
                                   QRect(saved.topLeft(), QSize(std::min(saved.width(), 100), 20)));
    restoring = true;
    if (saved.isValid() && !saved.isEmpty() && onScreen) {
        preferencesWindow->setGeometry(saved);
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = preferencesWindow->geometry();
        frame.moveCenter(screen->availableGeometry().center());
        preferencesWindow->setGeometry(frame);
    }
    restoring = false;
}

void CCNPreferencesWindowController::saveFrame() {
    // Only where the user has seen it: not while it is built or hidden.
    if (restoring || !preferencesWindow->isVisible())
        return;
    settings.setValue(Settings::PreferencesFrame, preferencesWindow->geometry());
}

void CCNPreferencesWindowController::setPreferencesViewControllers(
    const QList<PreferencesPane*>& list) {
    for (PreferencesPane* pane : list)
        addPreferencesViewController(pane);
    setupToolbar();
}

void CCNPreferencesWindowController::addPreferencesViewController(PreferencesPane* pane) {
    if (!pane || panes.contains(pane))
        return;
    panes.append(pane);
    QWidget* view = pane->view();
    view->hide();
    view->setParent(preferencesWindow->centralWidget());
}

void CCNPreferencesWindowController::setCenterToolbarItems(bool center) {
    if (center == centered)
        return;
    centered = center;
    setupToolbar();
}

QStringList CCNPreferencesWindowController::toolbarDefaultItemIdentifiers() const {
    QStringList identifiers;
    if (panes.isEmpty())
        return identifiers;
    const QString flexibleSpace = QStringLiteral("NSToolbarFlexibleSpaceItem");
    if (centered)
        identifiers.append(flexibleSpace);
    for (PreferencesPane* pane : panes)
        identifiers.append(pane->preferenceIdentifier());
    if (centered)
        identifiers.append(flexibleSpace);
    return identifiers;
}

void CCNPreferencesWindowController::setupToolbar() {
    if (bar) {
        preferencesWindow->removeToolBar(bar);
        delete bar;
    }
    bar = new QToolBar(preferencesWindow);
    bar->setObjectName(QString::fromLatin1(ToolbarIdentifier));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->toggleViewAction()->setEnabled(false);
    items = new QActionGroup(bar);
    items->setExclusive(true);
    auto spacer = [this] {
        auto* space = new QWidget(bar);
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        bar->addWidget(space);
    };
    if (centered)
        spacer();
    for (PreferencesPane* pane : panes) {
        QAction* item = bar->addAction(pane->preferenceIcon(), pane->preferenceTitle());
        const QString identifier = pane->preferenceIdentifier();
        item->setObjectName(identifier);
        item->setCheckable(true);
        item->setToolTip(pane->preferenceToolTip());
        items->addAction(item);
        connect(item, &QAction::triggered, this,
                [this, identifier] { toolbarItemAction(identifier); });
        // The items are reached with Tab like the panes' controls.
        if (QWidget* button = bar->widgetForAction(item))
            button->setFocusPolicy(Qt::TabFocus);
    }
    if (centered)
        spacer();
    preferencesWindow->addToolBar(Qt::TopToolBarArea, bar);
}

PreferencesPane*
CCNPreferencesWindowController::viewControllerWithIdentifier(const QString& identifier) const {
    for (PreferencesPane* pane : panes) {
        if (pane->preferenceIdentifier() == identifier)
            return pane;
    }
    return nullptr;
}

void CCNPreferencesWindowController::toolbarItemAction(const QString& identifier) {
    // Compared with the pane a running switch goes to, so that a second
    // choice during the animation is never taken for the one already shown.
    if (active && active->preferenceIdentifier() == identifier)
        return;
    if (PreferencesPane* pane = viewControllerWithIdentifier(identifier))
        activateViewController(pane, true);
}

void CCNPreferencesWindowController::showPreferencesWindow() {
    preferencesWindow->setWindowOpacity(0.0);
    preferencesWindow->show();
    preferencesWindow->raise();
    preferencesWindow->activateWindow();
    if (!panes.isEmpty()) {
        activateViewController(panes.first(), false);
        if (bar && !items->actions().isEmpty())
            items->actions().first()->setChecked(true);
    }
    preferencesWindow->setWindowOpacity(1.0);
}

void CCNPreferencesWindowController::dismissPreferencesWindow() {
    preferencesWindow->close();
}

void CCNPreferencesWindowController::activateViewController(PreferencesPane* pane, bool animate) {
    if (!pane)
        return;
    if (animation) {
        // A new switch replaces the running one, which would otherwise go on
        // resizing the window to the pane it was leaving for.
        animation->stop();
        delete animation;
    }
    active = pane;
    QWidget* view = pane->view();
    for (PreferencesPane* other : panes) {
        if (other != pane && other->view()->parentWidget() == preferencesWindow->centralWidget()) {
            content->removeWidget(other->view());
            other->view()->hide();
        }
    }
    if (content->indexOf(view) < 0)
        content->addWidget(view);
    auto* fade = new QGraphicsOpacityEffect(view);
    fade->setOpacity(0.0);
    view->setGraphicsEffect(fade);
    view->show();
    // Showing refreshed the pane, which may have hidden a control: measure it as it is now.
    if (QLayout* layout = view->layout()) {
        layout->invalidate();
        layout->activate();
    }

    const QRect from = preferencesWindow->geometry();
    const QSize paneSize = view->sizeHint().expandedTo(view->minimumSizeHint());
    const QSize barSize = bar ? bar->sizeHint() : QSize();
    const QSize size(std::max(paneSize.width(), barSize.width()),
                     paneSize.height() + barSize.height());
    const int x = centered ? from.x() + (from.width() - size.width()) / 2 : from.x();
    // Qt's frame is y-down: the top edge stays where it was.
    const QRect to(QPoint(x, from.y()), size);
    // The toolbar names the pane shown, however it was chosen.
    if (bar)
        if (auto* item = bar->findChild<QAction*>(pane->preferenceIdentifier()))
            item->setChecked(true);
    preferencesWindow->setMinimumSize(0, 0);
    preferencesWindow->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

    auto settle = [this, view, to] {
        preferencesWindow->setGeometry(to);
        preferencesWindow->setFixedSize(to.size());
        view->setGraphicsEffect(nullptr);
        saveFrame();
    };
    if (!animate) {
        settle();
        return;
    }
    auto* group = new QParallelAnimationGroup(this);
    auto* resize = new QPropertyAnimation(preferencesWindow, "geometry", group);
    resize->setDuration(animationMilliseconds);
    resize->setEasingCurve(QEasingCurve::InOutQuad);
    resize->setStartValue(from);
    resize->setEndValue(to);
    auto* appear = new QPropertyAnimation(fade, "opacity", group);
    appear->setDuration(animationMilliseconds);
    appear->setEasingCurve(QEasingCurve::InOutQuad);
    appear->setStartValue(0.0);
    appear->setEndValue(1.0);
    connect(group, &QAbstractAnimation::finished, this, settle);
    animation = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}
