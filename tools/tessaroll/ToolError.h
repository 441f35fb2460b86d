#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/** @brief A failure that ends the tool with one line on standard error and a non-zero exit code. */
class ToolError final : public std::exception
{
public:
    static constexpr int Failure = 1;
    static constexpr int Usage = 2;
    /** @brief What a shell returns for a command it cannot find. */
    static constexpr int CommandNotFound = 127;

    explicit ToolError(const QString& message, int exitCode = Failure);

    const QString& message() const { return m_message; }
    int exitCode() const { return m_exitCode; }
    const char* what() const noexcept override;

private:
    QString m_message;
    QByteArray m_what;
    int m_exitCode;
};
