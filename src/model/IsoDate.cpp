#include "IsoDate.h"

#include <QStringView>

#include <cstdio>

QString IsoDate::format(const QDateTime& date)
{
    // Qt::ISODate writes the same text for years 1 to 9999, but nothing at all outside them.
    const QDateTime utc = date.toUTC();
    const QDate day = utc.date();
    const QTime time = utc.time();
    char text[48];
    const int length = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", day.year(),
                                     day.month(), day.day(), time.hour(), time.minute(), time.second());
    return QString::fromLatin1(text, length);
}

std::optional<QDateTime> IsoDate::parse(const QString& text)
{
    // The one form written: every '0' of the shape is an ASCII digit (not \d: digits of other
    // scripts do not count), everything else is itself.
    static constexpr QStringView shape = u"0000-00-00T00:00:00Z";
    if (text.size() != shape.size()) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < shape.size(); ++i) {
        const bool fits = shape[i] == u'0' ? text[i] >= u'0' && text[i] <= u'9' : text[i] == shape[i];
        if (!fits) {
            return std::nullopt;
        }
    }
    // Every digit was checked above, so each field is read straight from its digits.
    const auto field = [&text](qsizetype from, qsizetype length) {
        int value = 0;
        for (qsizetype i = from; i < from + length; ++i) {
            value = value * 10 + (text[i].unicode() - u'0');
        }
        return value;
    };
    // QDate and QTime refuse what is out of range (month 13, 24:00:00, a leap second, year 0).
    const QDate day(field(0, 4), field(5, 2), field(8, 2));
    const QTime time(field(11, 2), field(14, 2), field(17, 2));
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
