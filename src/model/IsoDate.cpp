#include "IsoDate.h"

#include <algorithm>
#include <array>

namespace {

// The fixed layout: digits where it has '0', the other characters as they are.
constexpr char layout[] = "0000-00-00T00:00:00Z";
constexpr qsizetype layoutLength = sizeof layout - 1;

template <typename Text> int digitsAt(const Text& text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return value;
}

// "00" to "99", two characters each.
constexpr auto twoDigits = [] {
    std::array<char, 200> digits{};
    for (int i = 0; i < 100; ++i) {
        digits[2 * i] = static_cast<char>('0' + i / 10);
        digits[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return digits;
}();

void putTwo(char* at, int value)
{
    at[0] = twoDigits[2 * value];
    at[1] = twoDigits[2 * value + 1];
}

// Writes the layout's form at `to`; false (writing nothing) for a date outside its four-digit
// years. The
// calendar date comes from the instant by arithmetic (the proleptic Gregorian calendar, as
// QDate's), which costs a fraction of asking QDateTime for its date and time.
bool formatInLayout(const QDateTime& date, char* to)
{
    if (!date.isValid()) {
        return false;
    }
    constexpr qint64 msPerDay = 86400000;
    // 0001-01-01 and 9999-12-31 as days since 1970-01-01.
    constexpr qint64 firstDay = -719162;
    constexpr qint64 lastDay = 2932896;
    const qint64 ms = date.toMSecsSinceEpoch();
    qint64 days = ms / msPerDay;
    qint64 msOfDay = ms % msPerDay;
    if (msOfDay < 0) {
        msOfDay += msPerDay;
        --days;
    }
    // QDate has no year 0: years before 1 take the printf way with QDate's own numbering.
    if (days < firstDay || days > lastDay) {
        return false;
    }
    // Days to year, month and day, counted from 1 March of year 0 so that every leap day is the
    // last day of its year; centuries, years and months by multiplications (Neri and
    // Schneider's Euclidean affine functions) rather than a chain of divisions.
    const auto shifted = static_cast<quint32>(days + 719468);
    const quint32 centuryQuarters = 4 * shifted + 3;
    const quint32 century = centuryQuarters / 146097;
    const quint32 dayOfCentury = centuryQuarters % 146097 / 4;
    const quint64 yearFraction = quint64(2939745) * (4 * dayOfCentury + 3);
    const auto yearOfCentury = static_cast<quint32>(yearFraction >> 32);
    const quint32 dayOfYear = static_cast<quint32>(yearFraction) / 2939745 / 4;
    const quint32 monthDay = 2141 * dayOfYear + 197913;
    const bool januaryOrFebruary = dayOfYear >= 306;
    const int year = static_cast<int>(100 * century + yearOfCentury + (januaryOrFebruary ? 1 : 0));
    const int month = static_cast<int>((monthDay >> 16) - (januaryOrFebruary ? 12 : 0));
    const int dayOfMonth = static_cast<int>((monthDay & 0xffff) / 2141 + 1);
    const int seconds = static_cast<int>(msOfDay / 1000);
    // Straight into place, one piece after the other: assembling the text in a buffer first and
    // copying it costs more than the arithmetic above.
    putTwo(to, year / 100);
    putTwo(to + 2, year % 100);
    to[4] = '-';
    putTwo(to + 5, month);
    to[7] = '-';
    putTwo(to + 8, dayOfMonth);
    to[10] = 'T';
    const int minutes = seconds / 60;
    putTwo(to + 11, minutes / 60);
    to[13] = ':';
    putTwo(to + 14, minutes - minutes / 60 * 60);
    to[16] = ':';
    putTwo(to + 17, seconds - minutes * 60);
    to[19] = 'Z';
    return true;
}

// Outside the layout's four-digit years; printf writes these as it always did.
QString formatOutsideLayout(const QDateTime& date)
{
    const QDateTime utc = date.toUTC();
    const QDate day = utc.date();
    const QTime time = utc.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", day.year(), day.month(), day.day(),
                             time.hour(), time.minute(), time.second());
}

template <typename Text> std::optional<QDateTime> parseLayout(const Text& text)
{
    if (text.size() != layoutLength) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < layoutLength; ++i) {
        const char16_t c = text[i].unicode();
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

} // namespace

// Both directions run once or twice per record on every load and save of the instance list,
// so they work on the fixed layout by hand: printf and a regular expression cost more than
// all the rest of a record's coding.
QString IsoDate::format(const QDateTime& date)
{
    char text[layoutLength];
    if (!formatInLayout(date, text)) {
        return formatOutsideLayout(date);
    }
    return QString::fromLatin1(text, layoutLength);
}

char* IsoDate::write(char* to, const QDateTime& date)
{
    if (formatInLayout(date, to)) {
        return to + layoutLength;
    }
    // Six numbers of at most 11 characters each and six separators: never more than maxLength.
    const QByteArray outside = formatOutsideLayout(date).toLatin1();
    return std::copy_n(outside.constData(), std::min(outside.size(), maxLength), to);
}

std::optional<QDateTime> IsoDate::parse(const QString& text)
{
    return parseLayout(text);
}

std::optional<QDateTime> IsoDate::parse(QLatin1String text)
{
    return parseLayout(text);
}

QDateTime IsoDate::distantPast()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

QDateTime IsoDate::now()
{
    return QDateTime::currentDateTimeUtc();
}
