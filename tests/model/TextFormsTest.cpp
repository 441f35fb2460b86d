// The date and UUID text forms read from bytes and written without QString, against the
// QString forms and Qt's own ISO 8601 writer.

#include "IsoDate.h"
#include "UuidText.h"

#include <QRandomGenerator>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QString written(const QDateTime& date)
{
    char text[IsoDate::maxLength];
    return QString::fromLatin1(text, IsoDate::write(text, date) - text);
}

} // namespace

TEST(IsoDate, FormatsEveryInstantAsQtDoesAndReadsItBack)
{
    QRandomGenerator random(1);
    for (int i = 0; i < 20000; ++i) {
        // Milliseconds from well before year 1 to well after 9999, fractions included.
        const qint64 ms = static_cast<qint64>(random.generate64() % 700000000000000ull) - 350000000000000ll;
        const QDateTime date = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        const int year = date.date().year();
        const QString text = IsoDate::format(date);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(written(date), text);
        if (year >= 1 && year <= 9999) {
            EXPECT_EQ(text, date.toString(Qt::ISODate));
            const QDateTime whole = QDateTime::fromMSecsSinceEpoch(ms - ((ms % 1000) + 1000) % 1000, Qt::UTC);
            EXPECT_EQ(IsoDate::parse(text), whole);
            EXPECT_EQ(IsoDate::parse(QLatin1String(text.toLatin1())), whole);
        } else {
            EXPECT_FALSE(IsoDate::parse(text).has_value());
        }
    }
    // Other zones are written as the same instant in UTC, on either side of midnight.
    const QDateTime zoned(QDate(2026, 3, 1), QTime(0, 30), QTimeZone(3600));
    EXPECT_EQ(IsoDate::format(zoned), QStringLiteral("2026-02-28T23:30:00Z"));
    EXPECT_EQ(written(QDateTime()), IsoDate::format(QDateTime()));
}

TEST(IsoDate, BytesAndTextAreReadByTheSameRule)
{
    const QList<QByteArray> texts = {"2026-03-01T09:30:00Z", "0001-01-01T00:00:00Z", "2024-02-29T23:59:59Z",
                                     "2026-02-29T09:30:00Z", "2026-03-01T24:00:00Z", "2026-03-01T09:30:00z",
                                     "2026-03-01 09:30:00Z", "2026-03-01T09:30:00",  "0000-01-01T00:00:00Z",
                                     "2026-03-01T09:30:60Z", "+026-03-01T09:30:00Z", ""};
    for (const QByteArray& text : texts) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(IsoDate::parse(QLatin1String(text)), IsoDate::parse(QString::fromLatin1(text)));
    }
    EXPECT_TRUE(IsoDate::parse(QLatin1String("2024-02-29T23:59:59Z")).has_value());
    EXPECT_FALSE(IsoDate::parse(QLatin1String("2026-02-29T09:30:00Z")).has_value());
}

TEST(UuidText, BytesAndTextAreReadByTheSameRuleAndWrittenAlike)
{
    for (int i = 0; i < 200; ++i) {
        const QUuid uuid = QUuid::createUuid();
        char text[36];
        EXPECT_EQ(QByteArray(text, UuidText::writeUpper(text, uuid) - text),
                  UuidText::upper(uuid).toLatin1());
        for (const QString& form : {UuidText::upper(uuid), UuidText::lower(uuid)}) {
            EXPECT_EQ(UuidText::parse(QLatin1String(form.toLatin1())), uuid);
            EXPECT_EQ(UuidText::parse(form), QUuid::fromString(form));
        }
    }
    const QList<QByteArray> refused = {
        "3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f2",  "3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24x",
        "3f2b8c1e9a47-4d2e-8b61-0c5a7e9d1f24-", "{3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f2}",
        "3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f2g", " 3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f2"};
    for (const QByteArray& text : refused) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(UuidText::parse(QLatin1String(text)).has_value());
        EXPECT_FALSE(UuidText::parse(QString::fromLatin1(text)).has_value());
    }
}
