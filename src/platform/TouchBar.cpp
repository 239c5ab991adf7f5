#include "platform/TouchBar.h"

TouchBar::TouchBar(QObject* parent) : QObject(parent) {
    const QString prefix = QStringLiteral("velmora.Ovisto.");
    items = {
        {QStringLiteral("touchZoomOut"), prefix + QStringLiteral("touchZoomOut"),
         QStringLiteral("touch-zoom-out-Template"), QStringLiteral("zoomOut")},
        {QStringLiteral("touchZoomIn"), prefix + QStringLiteral("touchZoomIn"),
         QStringLiteral("touch-zoom-in-Template"), QStringLiteral("zoomIn")},
        {QStringLiteral("touchPreviousImage"), prefix + QStringLiteral("touchPreviousImage"),
         QStringLiteral("touch-arrow-left-Template"), QStringLiteral("previousImage")},
        // The slideshow item identifier has always been spelled this way.
        {QStringLiteral("touchSlideshow"), prefix + QStringLiteral("touchSledeshow"),
         QStringLiteral("touch-slideshow-Template"), QStringLiteral("slideshow")},
        {QStringLiteral("touchNextImage"), prefix + QStringLiteral("touchNextImage"),
         QStringLiteral("touch-arrow-right-Template"), QStringLiteral("nextImage")},
        {QStringLiteral("touchFullScreen"), prefix + QStringLiteral("touchFullScreen"),
         QStringLiteral("touch-fullscreen-Template"), QStringLiteral("fullscreen")},
    };
}

QStringList TouchBar::defaultItemIdentifiers() const {
    QStringList identifiers;
    for (const Button& b : items)
        identifiers.append(b.itemIdentifier);
    return identifiers;
}

const TouchBar::Button* TouchBar::makeItemForIdentifier(const QString& itemIdentifier) const {
    for (const Button& b : items) {
        if (b.itemIdentifier == itemIdentifier)
            return &b;
    }
    return nullptr;
}

const TouchBar::Button* TouchBar::button(const QString& identifier) const {
    return const_cast<TouchBar*>(this)->find(identifier);
}

TouchBar::Button* TouchBar::find(const QString& identifier) {
    for (Button& b : items) {
        if (b.identifier == identifier)
            return &b;
    }
    return nullptr;
}

void TouchBar::setEnabled(const QString& identifier, bool enabled) {
    if (Button* b = find(identifier))
        b->enabled = enabled;
}

void TouchBar::setImage(const QString& identifier, const QString& image) {
    if (Button* b = find(identifier))
        b->image = image;
}

void TouchBar::press(const QString& identifier) {
    if (const Button* b = find(identifier); b && b->enabled)
        emit triggered(b->action);
}
