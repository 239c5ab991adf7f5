#pragma once

#include <QAction>
#include <QMutex>

// An Open With entry: the application it opens the current file with.
class AppMenuItem : public QAction {
    Q_OBJECT
public:
    using QAction::QAction;

    QString appURL() const;
    void setAppURL(const QString& url);

private:
    mutable QMutex lock;
    QString url;
};
