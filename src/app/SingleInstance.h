#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One viewer process per user: a second launch hands its paths to the running process over a
// local socket and exits; without a running process it becomes the one.
//
// Wire format, one message per connection: "OVST", a big-endian quint32 payload length, then
// for each path a big-endian quint32 byte count and the path's bytes as the file system has them
// (UTF-8 for ordinary names). The receiver answers one
// byte 'K' once it holds the paths, and drops any connection that breaks the format.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(const QString& socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The per-user socket in the user's runtime folder.
    static QString defaultSocketPath();
    // Resolves relative arguments against workingDir, lexically: symbolic links are kept and
    // paths that do not exist are kept. "file://" URLs become local paths; empty ones are dropped.
    static QStringList absolutePaths(const QStringList& args, const QString& workingDir);

    // Hands the (already absolute) paths to a running instance; true once it has taken them.
    // An empty list means a plain second launch. Blocks for at most timeoutMs.
    bool sendToRunningInstance(const QStringList& absolutePaths, int timeoutMs = 2000);
    // Becomes the running instance. A stale socket left by a crashed instance is removed and
    // listening retried; false only when another live instance holds it (or the path is unusable).
    bool listen();

    QString socketPath() const { return path; }

    // Limits of one message; larger ones are refused by both ends.
    static constexpr qint64 maxMessageBytes = 16 * 1024 * 1024;
    static constexpr int maxPathCount = 256 * 1024;

  signals:
    void filesReceived(const QStringList& paths); // empty = plain relaunch

  private:
    void acceptConnections();
    void serve(QLocalSocket* socket);
    bool liveInstanceAnswers() const;

    QString path;
    QLocalServer* server = nullptr;
};
