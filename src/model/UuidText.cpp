#include "UuidText.h"

namespace {

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

} // namespace

std::optional<QUuid> UuidText::parse(const QString& text)
{
    // QUuid::fromString also takes braces and shorter forms; records and profile identifiers
    // only ever hold the bare 8-4-4-4-12 form, so anything else is refused here first.
    if (text.size() != 36) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool hyphenSlot = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenSlot ? text.at(i) != QLatin1Char('-') : !isHexDigit(text.at(i))) {
            return std::nullopt;
        }
    }
    return QUuid::fromString(text);
}

QString UuidText::upper(const QUuid& uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

QString UuidText::lower(const QUuid& uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toLower();
}
