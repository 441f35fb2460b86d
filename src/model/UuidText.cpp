#include "UuidText.h"
std::optional<QUuid> UuidText::parse(const QString& text)
{
    // QUuid::fromString also takes braces and gives the null UUID both for the all-zero text and
    // for what it cannot read; records and profile identifiers only ever hold the bare form.
    static const QString nullText = QUuid().toString(QUuid::WithoutBraces);
    if (text.size() != nullText.size()) {
        return std::nullopt;
    }
    const QUuid uuid = QUuid::fromString(text);
    if (uuid.isNull() && text != nullText) {
        return std::nullopt;
    }
    return uuid;
}

QString UuidText::upper(const QUuid& uuid)
{
    return QString::fromLatin1(uuid.toByteArray(QUuid::WithoutBraces).toUpper());
}

QString UuidText::lower(const QUuid& uuid)
{
    return QString::fromLatin1(uuid.toByteArray(QUuid::WithoutBraces));
}
