#include "archive/ZipError.h"

const QString ZipError::wrapperDomain = QStringLiteral("LOZIPFileWrapperErrorDomain");
const QString ZipError::posixDomain = QStringLiteral("NSPOSIXErrorDomain");
const QString ZipError::localizedDescriptionKey = QStringLiteral("NSLocalizedDescription");
const QString ZipError::underlyingErrorKey = QStringLiteral("NSUnderlyingError");

ZipError::ZipError(const QString& domain, int code, const QVariantMap& userInfo)
    : errorDomain(domain), errorCode(code), info(userInfo) {}

ZipError ZipError::withStatus(int code, const QString& format, int status) {
    QString message = format;
    message.replace(QLatin1String("%d"), QString::number(status));
    return ZipError(wrapperDomain, code,
                    {{localizedDescriptionKey, message}, {wrapperDomain, status}});
}

ZipError ZipError::withMessage(int code, const QString& message) {
    return ZipError(wrapperDomain, code, {{localizedDescriptionKey, message}});
}

ZipError ZipError::posix(int errnoValue, const QString& message) {
    return ZipError(posixDomain, errnoValue, {{localizedDescriptionKey, message}});
}

QString ZipError::localizedDescription() const {
    return info.value(localizedDescriptionKey).toString();
}

std::optional<int> ZipError::status() const {
    const auto found = info.constFind(wrapperDomain);
    if (found == info.constEnd())
        return std::nullopt;
    return found->toInt();
}

std::optional<ZipError> ZipError::underlyingError() const {
    const auto found = info.constFind(underlyingErrorKey);
    if (found == info.constEnd() || !found->canConvert<ZipError>())
        return std::nullopt;
    return found->value<ZipError>();
}

ZipError ZipError::withUnderlying(const ZipError& earlier) const {
    ZipError result = *this;
    if (earlier.isError())
        result.info.insert(underlyingErrorKey, QVariant::fromValue(earlier));
    return result;
}

bool ZipError::operator==(const ZipError& other) const {
    if (errorDomain != other.errorDomain || errorCode != other.errorCode ||
        info.size() != other.info.size())
        return false;
    // QVariant cannot compare two records of our own type, so the nested
    // error is compared through this operator.
    for (auto it = info.constBegin(); it != info.constEnd(); ++it) {
        const auto theirs = other.info.constFind(it.key());
        if (theirs == other.info.constEnd())
            return false;
        if (it.key() == underlyingErrorKey) {
            if (underlyingError() != other.underlyingError())
                return false;
        } else if (it.value() != theirs.value()) {
            return false;
        }
    }
    return true;
}
