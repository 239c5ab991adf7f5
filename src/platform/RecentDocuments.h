#pragma once

#include <QObject>
#include <QStringList>

// The recently opened documents, newest first, kept across runs in a store
// of their own so that the preferences store holds only preferences.
class RecentDocuments : public QObject {
    Q_OBJECT
public:
    static constexpr int maximumCount = 12;

    explicit RecentDocuments(QObject* parent = nullptr);

    void noteNewRecentDocument(const QString& path);
    QStringList recentDocuments() const { return paths; }
    void clearRecentDocuments();

signals:
    void changed();

private:
    void save() const;
    QStringList paths;
};
