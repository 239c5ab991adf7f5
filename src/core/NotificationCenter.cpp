#include "core/NotificationCenter.h"

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

QMetaObject::Connection NotificationCenter::addObserver(const QString& name, QObject* context,
                                                        std::function<void()> handler) {
    return connect(this, &NotificationCenter::posted, context,
                   [name, handler = std::move(handler)](const QString& posted) {
                       if (posted == name)
                           handler();
                   },
                   Qt::DirectConnection);
}

void NotificationCenter::post(const QString& name) {
    emit posted(name);
}
