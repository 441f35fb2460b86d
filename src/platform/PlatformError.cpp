#include "PlatformError.h"

#include <cstring>

PlatformError::PlatformError(QString description, int code)
    : m_description(std::move(description))
    , m_code(code)
    , m_utf8(m_description.toUtf8())
{
}

PlatformError PlatformError::fromErrno(const QString& action, const QString& path, int code)
{
    return PlatformError(QStringLiteral("%1 %2：%3").arg(action, path, QString::fromLocal8Bit(std::strerror(code))),
                         code);
}
