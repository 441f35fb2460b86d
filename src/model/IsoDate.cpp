#include "IsoDate.h"

#include <algorithm>

namespace {

// The fixed layout: digits where it has '0', the other characters as they are.
constexpr char layout[] = "0000-00-00T00:00:00Z";
constexpr qsizetype layoutLength = sizeof layout - 1;

void putDigits(char* at, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

int digitsAt(const QString& text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
    }
    return value;
}

} // namespace

// Both directions run once or twice per record on every load and save of the instance list,
// so they work on the fixed layout by hand: printf and a regular expression cost more than
// all the rest of a record's coding.
QString IsoDate::format(const QDateTime& date)
{
    const QDateTime utc = date.toUTC();
    const QDate day = utc.date();
    const QTime time = utc.time();
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    day.getDate(&year, &month, &dayOfMonth);
    if (!day.isValid() || !time.isValid() || year < 0 || year > 9999) {
        // Outside the layout's four-digit years; printf writes these as it always did.
        return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", day.year(), day.month(), day.day(),
                                 time.hour(), time.minute(), time.second());
    }
    char text[layoutLength];
    std::copy_n(layout, layoutLength, text);
    putDigits(text, year, 4);
    putDigits(text + 5, month, 2);
    putDigits(text + 8, dayOfMonth, 2);
    putDigits(text + 11, time.hour(), 2);
    putDigits(text + 14, time.minute(), 2);
    putDigits(text + 17, time.second(), 2);
    return QString::fromLatin1(text, layoutLength);
}

std::optional<QDateTime> IsoDate::parse(const QString& text)
{
    if (text.size() != layoutLength) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < layoutLength; ++i) {
        const char16_t c = text.at(i).unicode();
        // ASCII digits only: digits of other scripts do not count.
        const bool fits = layout[i] == '0' ? (c >= u'0' && c <= u'9') : c == static_cast<char16_t>(layout[i]);
        if (!fits) {
            return std::nullopt;
        }
    }
    const QDate day(digitsAt(text, 0, 4), digitsAt(text, 5, 2), digitsAt(text, 8, 2));
    const QTime time(digitsAt(text, 11, 2), digitsAt(text, 14, 2), digitsAt(text, 17, 2));
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
