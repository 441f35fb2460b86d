#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/**
 * @brief An error reported by the operating system or a platform service (file system,
 * JSON reading, starting a process), carrying the system's own description.
 *
 * The description says what failed, on which item and why, for example
 * "无法写入文件 /home/me/.local/share/Marlvane/instances.json：No space left on device".
 */
class PlatformError : public std::exception
{
public:
    explicit PlatformError(QString description, int code = 0);

    /** @brief Builds an error from an errno value: "<action> <path>：<strerror(code)>". */
    static PlatformError fromErrno(const QString& action, const QString& path, int code);

    const QString& description() const { return m_description; }
    /** @brief errno for file-system errors, 0 when the error has no such code. */
    int code() const { return m_code; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    int m_code = 0;
    QByteArray m_utf8;
};
