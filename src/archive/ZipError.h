#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>
#include <optional>

// An error record of the zip reader: a domain, a code and a user-info map
// holding at least the message. Errors of the reader itself carry the
// library's status number under the domain string used as a key; a close
// step that fails after an earlier error keeps that earlier one under
// underlyingErrorKey. A default-constructed record is "no error", which is
// how an error slot starts out.
class ZipError {
  public:
    static const QString wrapperDomain;           // "LOZIPFileWrapperErrorDomain"
    static const QString posixDomain;             // "NSPOSIXErrorDomain"
    static const QString localizedDescriptionKey; // "NSLocalizedDescription"
    static const QString underlyingErrorKey;      // "NSUnderlyingError"

    ZipError() = default;
    ZipError(const QString& domain, int code, const QVariantMap& userInfo);

    // A reader error whose message is `format` with its "%d" replaced by the
    // status number, which is also kept in the user info.
    static ZipError withStatus(int code, const QString& format, int status);
    // A reader error with the message alone in its user info.
    static ZipError withMessage(int code, const QString& message);
    // A POSIX error: the code is the errno value, the user info the message.
    static ZipError posix(int errnoValue, const QString& message);

    bool isError() const { return !errorDomain.isEmpty(); }
    const QString& domain() const { return errorDomain; }
    int code() const { return errorCode; }
    const QVariantMap& userInfo() const { return info; }

    // The message under localizedDescriptionKey; empty when there is none.
    QString localizedDescription() const;
    // The library's status number, when the record carries one.
    std::optional<int> status() const;
    // The earlier error this one was raised on top of, when there was one.
    std::optional<ZipError> underlyingError() const;

    // The same record with `earlier` kept under underlyingErrorKey.
    ZipError withUnderlying(const ZipError& earlier) const;

    bool operator==(const ZipError& other) const;

  private:
    QString errorDomain;
    int errorCode = 0;
    QVariantMap info;
};

Q_DECLARE_METATYPE(ZipError)
