#include "ProfileID.h"

#include "ToolError.h"

#include <algorithm>

namespace {
bool isAsciiAlphanumeric(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}
} // namespace

bool ProfileID::isValid(const QString& id)
{
    if (id.isEmpty() || id.size() > MaxLength || id.front() == u'.' || id.front() == u'-') {
        return false;
    }
    // Nothing that could act as a path separator, a parent reference or a shell surprise.
    return std::all_of(id.cbegin(), id.cend(),
                       [](QChar c) { return isAsciiAlphanumeric(c) || c == u'.' || c == u'_' || c == u'-'; });
}

void ProfileID::require(const QString& id)
{
    if (!isValid(id)) {
        throw ToolError(QStringLiteral("invalid profile identifier \"%1\": use letters, digits, '.', '_' and "
                                       "'-', not first '.' or '-', at most %2 characters")
                            .arg(printable(id), QString::number(MaxLength)),
                        ToolError::Usage);
    }
}

QString ProfileID::printable(const QString& id)
{
    constexpr qsizetype shown = 64;
    QString text;
    for (const QChar c : id.left(shown)) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            text += c;
        }
    }
    if (id.size() > shown) {
        text += QStringLiteral("...");
    }
    return text;
}
