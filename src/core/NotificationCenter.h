#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The process-wide notification centre: named notifications ("updateUI",
// "updateStates") delivered synchronously, in the poster's thread, to every
// observer whose context object is still alive.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    static constexpr const char* UpdateUI = "updateUI";
    static constexpr const char* UpdateStates = "updateStates";

    static NotificationCenter& defaultCenter();

    // The observation ends with the context object.
    QMetaObject::Connection addObserver(const QString& name, QObject* context,
                                        std::function<void()> handler);
    void post(const QString& name);

signals:
    void posted(const QString& name);
};
