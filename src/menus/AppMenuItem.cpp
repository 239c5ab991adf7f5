#include "menus/AppMenuItem.h"

QString AppMenuItem::appURL() const {
    QMutexLocker locker(&lock);
    return url;
}

void AppMenuItem::setAppURL(const QString& value) {
    QMutexLocker locker(&lock);
    url = value;
}
