#include "info/InfoRequests.h"

InfoRequests::Outcome InfoRequests::clear() {
    // Forgetting both lets the same item come back after "none" (A, none, A).
    url.clear();
    data.clear();
    ++serial;
    waiting.reset();
    return Outcome::Empty;
}

InfoRequests::Outcome InfoRequests::submit(InfoRequest request) {
    request.serial = ++serial;
    waiting = std::move(request);
    return Outcome::Loading;
}

InfoRequests::Outcome InfoRequests::setURL(const QString& newURL, const QImage& shown) {
    data.clear();
    if (newURL.isEmpty())
        return clear();
    if (newURL == url)
        return Outcome::Unchanged;
    url = newURL;
    return submit(InfoRequest{0, newURL, QByteArray(), shown});
}

InfoRequests::Outcome InfoRequests::setDATA(const QByteArray& bytes, const QImage& shown) {
    url.clear();
    if (bytes.isEmpty())
        return clear();
    if (bytes == data)
        return Outcome::Unchanged;
    data = bytes;
    return submit(InfoRequest{0, QString(), bytes, shown});
}

std::optional<InfoRequest> InfoRequests::takeNext() {
    if (!isShown || running || !waiting)
        return std::nullopt;
    std::optional<InfoRequest> next = std::move(waiting);
    waiting.reset();
    running = true;
    return next;
}

bool InfoRequests::finished(quint64 finishedSerial) {
    running = false;
    return finishedSerial == serial;
}
