#include "UuidText.h"

#include <QRegularExpression>

std::optional<QUuid> UuidText::parse(const QString& text)
{
    // QUuid::fromString also takes braces and shorter forms, and gives the null UUID both for the
    // all-zero text and for what it cannot read; records and profile identifiers only ever hold
    // the bare form, so that is checked here and the digits are left to QUuid.
    static const QRegularExpression bare(QRegularExpression::anchoredPattern(
        QStringLiteral("[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}")));
    if (!bare.match(text).hasMatch()) {
        return std::nullopt;
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
