#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

// One thing the panel was asked to describe: a file or image bytes, with the
// viewer's decoded image of the same item (or a reduced copy of it) when it
// has one, so the panel need not decode it again.
struct InfoRequest {
    quint64 serial = 0;
    QString url;
    QByteArray data;
    QImage shown;
};

// Which of the panel's requests is computed, and when. Every request has a
// serial, "none" included, and only the newest one's result is shown. At most
// one computation runs and at most one waits, the newest; while the panel is
// hidden nothing runs and the newest request waits for the panel to show.
class InfoRequests {
  public:
    enum class Outcome {
        Unchanged, // the same file or bytes again: nothing to do
        Empty,     // nothing to describe
        Loading,   // a new item: its computation waits or runs
    };

    Outcome setURL(const QString& url, const QImage& shown = QImage());
    Outcome setDATA(const QByteArray& data, const QImage& shown = QImage());

    void setVisible(bool visible) { isShown = visible; }
    bool visible() const { return isShown; }

    // The computation to start now, if one may: the panel is shown, none is
    // running and one waits. It counts as running from here on.
    std::optional<InfoRequest> takeNext();
    // A computation has ended; true when its result is the newest request's.
    bool finished(quint64 serial);

    quint64 latest() const { return serial; }
    bool isRunning() const { return running; }
    bool hasWaiting() const { return waiting.has_value(); }

  private:
    Outcome submit(InfoRequest request);
    Outcome clear();

    QString url;
    QByteArray data;
    quint64 serial = 0;
    std::optional<InfoRequest> waiting;
    bool running = false;
    bool isShown = false;
};
