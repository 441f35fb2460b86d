#include "IsoDate.h"

#include <QRegularExpression>

QString IsoDate::format(const QDateTime& date)
{
    const QDateTime utc = date.toUTC();
    const QDate day = utc.date();
    const QTime time = utc.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", day.year(), day.month(), day.day(),
                             time.hour(), time.minute(), time.second());
}

std::optional<QDateTime> IsoDate::parse(const QString& text)
{
    // [0-9] rather than \d: the expression engine runs in Unicode mode, where \d also matches
    // digits of other scripts.
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})Z$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const auto number = [&](int group) {
        return match.capturedView(group).toInt();
    };
    const QDate day(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
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
