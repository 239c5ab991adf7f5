#pragma once

#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One viewer process per user: a second launch hands its paths to the running process over a
// local socket and exits; without a running process it becomes the one.
//
// Wire format, one message per connection: a four-byte kind, a big-endian quint32 payload length,
// then entries, each a big-endian quint32 byte count and that many bytes.
//  - "OVST": each entry an absolute path's bytes as the file system has them (UTF-8 for ordinary
//    names); no entry is empty.
//  - "OVSA", from the small `ovisto` launcher, which knows nothing of paths: the first entry the
//    sender's absolute working folder, then its raw command-line arguments (empty ones included).
//    The receiver picks the documents out of them as the viewer does with its own arguments.
// No entry holds a NUL byte in "OVSA" (none can come from a command line). The receiver answers
// one byte 'K' once it holds the paths, and drops any connection that breaks the format.
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
    // The documents among raw command-line arguments (those after the program name), by their
    // bytes: a name that is not UTF-8 keeps every byte. Qt's own options (-platform xcb,
    // -reverse, --style=fusion) and their values are left out, as QApplication takes them.
    static QStringList documentArguments(const QByteArrayList& arguments);

    // Hands the (already absolute) paths to a running instance; true once it has taken them.
    // An empty list means a plain second launch. Blocks for at most timeoutMs.
    // `fullScreen` and `slideshow` go with them, as the command line asked.
    bool sendToRunningInstance(const QStringList& absolutePaths, int timeoutMs = 2000,
                               bool fullScreen = false, bool slideshow = false);
    // Becomes the running instance. A stale socket left by a crashed instance is removed and
    // listening retried; false only when another live instance holds it (or the path is unusable).
    bool listen();

    QString socketPath() const { return path; }

    // Limits of one message; larger ones are refused by both ends.
    static constexpr qint64 maxMessageBytes = 16 * 1024 * 1024;
    static constexpr int maxPathCount = 256 * 1024;

  signals:
    // Empty paths: a plain relaunch. The flags: its -f and -s.
    void filesReceived(const QStringList& paths, bool fullScreen, bool slideshow);

  private:
    void acceptConnections();
    void serve(QLocalSocket* socket);
    bool liveInstanceAnswers() const;

    QString path;
    QLocalServer* server = nullptr;
};
