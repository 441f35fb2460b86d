#include "IsoDate.h"

#include <QRegularExpression>

QString IsoDate::format(const QDateTime& date)
{
    // Qt::ISODate writes the same text for years 1 to 9999, but nothing at all outside them.
    const QDateTime utc = date.toUTC();
    const QDate day = utc.date();
    const QTime time = utc.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", day.year(), day.month(), day.day(),
                             time.hour(), time.minute(), time.second());
}

std::optional<QDateTime> IsoDate::parse(const QString& text)
{
    // [0-9], not \d: digits of other scripts do not count.
    static const QRegularExpression layout(QRegularExpression::anchoredPattern(
        QStringLiteral("([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})Z")));
    const QRegularExpressionMatch match = layout.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const auto field = [&match](int n) {
        return match.capturedView(n).toInt();
    };
    // QDate and QTime refuse what is out of range (month 13, 24:00:00, a leap second, year 0).
    const QDate day(field(1), field(2), field(3));
    const QTime time(field(4), field(5), field(6));
    if (!day.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(day, time, Qt::UTC);
}

QDateTime IsoDate::distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

QDateTime IsoDate::now()
{
    return QDateTime::currentDateTimeUtc();
}
