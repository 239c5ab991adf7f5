#pragma once

#include <QObject>
#include <QStringList>

// The recently opened documents, newest first, kept across runs in a store
// of their own so that the preferences store holds only preferences. What
// the store holds is checked as it is read: entries that are not absolute
// paths, repeated ones and those past the maximum are dropped; a missing
// file stays listed (its drive may be back), and opening it says it is gone.
class RecentDocuments : public QObject {
    Q_OBJECT
  public:
    static constexpr int maximumCount = 12;

    // The application's store.
    explicit RecentDocuments(QObject* parent = nullptr);
    // The store in the file at `storePath` (for tests).
    explicit RecentDocuments(const QString& storePath, QObject* parent = nullptr);

    void noteNewRecentDocument(const QString& path);
    QStringList recentDocuments() const { return paths; }
    void clearRecentDocuments();

    // The entries of a stored value that are kept, in order.
    static QStringList readable(const QVariant& stored);

  signals:
    void changed();

  private:
    void load();
    void save() const;
    QString storePath;
    QStringList paths;
};
