// The date and UUID text forms of the data files: exactly one form is written and read back,
// where Qt alone would take more.

#include "IsoDate.h"
#include "UuidText.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int msec = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC);
}

} // namespace

TEST(IsoDate, WritesWholeSecondsInUtc)
{
    const QList<std::pair<QDateTime, QString>> rows = {
        {utc(2026, 3, 1, 9, 30, 0), QStringLiteral("2026-03-01T09:30:00Z")},
        {utc(2026, 3, 1, 9, 30, 0, 999), QStringLiteral("2026-03-01T09:30:00Z")},
        {QDateTime(QDate(2026, 3, 1), QTime(0, 30), QTimeZone(3600)), QStringLiteral("2026-02-28T23:30:00Z")},
        {IsoDate::distantPast(), QStringLiteral("0001-01-01T00:00:00Z")},
        {utc(9999, 12, 31, 23, 59, 59), QStringLiteral("9999-12-31T23:59:59Z")},
        // Outside four-digit years the form keeps its fields, though nothing reads it back.
        {utc(10000, 1, 2, 3, 4, 5), QStringLiteral("10000-01-02T03:04:05Z")},
    };
    for (const auto& [date, text] : rows) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(IsoDate::format(date), text);
    }
}

TEST(IsoDate, ReadsBackOnlyTheExactForm)
{
    const QList<std::pair<const char*, QDateTime>> accepted = {
        {"2026-03-01T09:30:00Z", utc(2026, 3, 1, 9, 30, 0)},
        {"0001-01-01T00:00:00Z", IsoDate::distantPast()},
        {"2024-02-29T23:59:59Z", utc(2024, 2, 29, 23, 59, 59)},
        {"9999-12-31T23:59:59Z", utc(9999, 12, 31, 23, 59, 59)},
    };
    for (const auto& [text, date] : accepted) {
        SCOPED_TRACE(text);
        const std::optional<QDateTime> read = IsoDate::parse(QString::fromLatin1(text));
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, date);
        EXPECT_EQ(read->timeSpec(), Qt::UTC);
        EXPECT_EQ(IsoDate::format(*read), QString::fromLatin1(text));
    }

    const QStringList refused = {
        QStringLiteral("2026-03-01T09:30:00.5Z"),    QStringLiteral("2026-03-01T09:30:00.000Z"),
        QStringLiteral("2026-03-01T09:30:00+01:00"), QStringLiteral("2026-03-01T09:30:00+00:00"),
        QStringLiteral("2026-03-01T09:30:00z"),      QStringLiteral("2026-03-01t09:30:00Z"),
        QStringLiteral("2026-03-01T09:30:00"),       QStringLiteral("2026-03-01 09:30:00Z"),
        QStringLiteral("2026-03-01T09:30Z"),         QStringLiteral("2026-3-1T09:30:00Z"),
        QStringLiteral("2026-02-29T09:30:00Z"),      QStringLiteral("2026-13-01T09:30:00Z"),
        QStringLiteral("2026-00-01T09:30:00Z"),      QStringLiteral("2026-03-32T09:30:00Z"),
        QStringLiteral("2026-03-01T24:00:00Z"),      QStringLiteral("2026-03-01T09:60:00Z"),
        QStringLiteral("2026-03-01T09:30:60Z"),      QStringLiteral("0000-01-01T00:00:00Z"),
        QStringLiteral("+026-03-01T09:30:00Z"),      QStringLiteral("2026-03-01T09:30:00Z\n"),
        QStringLiteral(" 2026-03-01T09:30:00Z"),     QStringLiteral("2026-03-01"),
        QStringLiteral("١٠٢٦-03-01T09:30:00Z"),      QString(),
    };
    for (const QString& text : refused) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(IsoDate::parse(text).has_value());
    }
}

TEST(UuidText, ReadsOnlyTheBareFormInEitherCaseAndWritesBothCases)
{
    const QUuid sample(0x3f2b8c1e, 0x9a47, 0x4d2e, 0x8b, 0x61, 0x0c, 0x5a, 0x7e, 0x9d, 0x1f, 0x24);
    EXPECT_EQ(UuidText::upper(sample), QStringLiteral("3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24"));
    EXPECT_EQ(UuidText::lower(sample), QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24"));

    const QList<std::pair<QString, QUuid>> accepted = {
        {QStringLiteral("3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24"), sample},
        {QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24"), sample},
        {QStringLiteral("3f2B8c1E-9a47-4D2e-8b61-0C5a7e9D1f24"), sample},
        {QStringLiteral("00000000-0000-0000-0000-000000000000"), QUuid()},
    };
    for (const auto& [text, uuid] : accepted) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(UuidText::parse(text), uuid);
    }

    const QStringList refused = {
        QStringLiteral("{3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24}"),
        QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f2"),
        QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f245"),
        QStringLiteral("3f2b8c1e9a474d2e8b610c5a7e9d1f24"),
        QStringLiteral("3f2b8c1e9a47-4d2e-8b61-0c5a7e9d1f24-"),
        QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f2g"),
        QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f2-"),
        QStringLiteral(" 3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f2"),
        QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24\n"),
        QStringLiteral("urn:uuid:3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24"),
        QStringLiteral("٣f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24"),
        QString(),
    };
    for (const QString& text : refused) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(UuidText::parse(text).has_value());
    }
}
