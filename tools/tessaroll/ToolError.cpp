#include "ToolError.h"

ToolError::ToolError(const QString& message, int exitCode)
    : m_message(message)
    , m_what(message.toUtf8())
    , m_exitCode(exitCode)
{}

const char* ToolError::what() const noexcept
{
    return m_what.constData();
}
