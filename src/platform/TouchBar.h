#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// The touch bar of a viewer window. Linux has no such hardware, so it is
// never drawn, but its buttons are kept in step like every other command
// surface and can be pressed programmatically.
class TouchBar : public QObject {
    Q_OBJECT
public:
    struct Button {
        QString identifier;     // "touchZoomOut", ...
        QString itemIdentifier; // "velmora.Ovisto.touchZoomOut", ...
        QString image;          // picture resource name
        QString action;         // "zoomOut", "zoomIn", "previousImage", "slideshow", "nextImage", "fullscreen"
        bool enabled = true;
    };

    static constexpr int visibilityPriority = 1000;

    // The six buttons, in their order from the left.
    explicit TouchBar(QObject* parent = nullptr);

    QStringList defaultItemIdentifiers() const;
    // The button behind an item identifier; null for any other identifier.
    const Button* makeItemForIdentifier(const QString& itemIdentifier) const;
    const Button* button(const QString& identifier) const;
    const QList<Button>& buttons() const { return items; }

    void setEnabled(const QString& identifier, bool enabled);
    void setImage(const QString& identifier, const QString& image);
    // Does what a touch on an enabled button does.
    void press(const QString& identifier);

signals:
    void triggered(const QString& action);

private:
    Button* find(const QString& identifier);
    QList<Button> items;
};
