#include "CodexInstance.h"
#include "IsoDate.h"
#include "JsonCoding.h"
#include "PlatformError.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

const QUuid sampleId = QUuid::fromString(QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24"));

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int msec = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC);
}

CodexInstance sample()
{
    CodexInstance instance;
    instance.id = sampleId;
    instance.displayName = QStringLiteral("Work/Side 工作");
    instance.type = CodexInstanceType::desktop;
    instance.profileId = QStringLiteral("marlvane-desktop-3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24");
    instance.createdAt = utc(2026, 3, 1, 9, 30, 0);
    instance.lastUsedAt = utc(2026, 3, 2, 10, 0, 5);
    return instance;
}

QByteArray recordWith(const QByteArray& members)
{
    return "[{\"id\":\"3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\",\"displayName\":\"A\",\"profileId\":\"p\"," +
           members + "}]";
}

std::optional<PlatformError> decodeError(const QByteArray& bytes)
{
    try {
        JsonCoding<QList<CodexInstance>>::decode(bytes);
    } catch (const PlatformError& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace

// The file's bytes as every earlier version wrote them: sorted keys, " : ", "\/", QJsonDocument's
// escapes otherwise (a lone surrogate as its escape), upper-case identifiers, whole-second dates.
TEST(CodexInstanceCoding, SavedArrayHasTheFileLayoutAndReadsBack)
{
    CodexInstance cli;
    cli.id = QUuid::fromString(QStringLiteral("0c5a7e9d-1f24-4d2e-8b61-3f2b8c1e9a47"));
    cli.displayName = QStringLiteral("\"q\" \\ tab\tnew\nline\u0001\u007f é 🚀 ") + QChar(0xdc00);
    cli.type = CodexInstanceType::cli;
    cli.profileId = QStringLiteral("marlvane-cli-0c5a7e9d-1f24-4d2e-8b61-3f2b8c1e9a47");
    cli.createdAt = utc(2025, 12, 31, 23, 59, 59);
    const QList<CodexInstance> records = {sample(), cli};
    const QByteArray expected =
        "[\n"
        "  {\n"
        "    \"createdAt\" : \"2026-03-01T09:30:00Z\",\n"
        "    \"displayName\" : \"Work\\/Side 工作\",\n"
        "    \"id\" : \"3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\",\n"
        "    \"lastUsedAt\" : \"2026-03-02T10:00:05Z\",\n"
        "    \"profileId\" : \"marlvane-desktop-3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24\",\n"
        "    \"type\" : \"desktop\"\n"
        "  },\n"
        "  {\n"
        "    \"createdAt\" : \"2025-12-31T23:59:59Z\",\n"
        "    \"displayName\" : \"\\\"q\\\" \\\\ tab\\tnew\\nline\\u0001\x7f é 🚀 \\udc00\",\n"
        "    \"id\" : \"0C5A7E9D-1F24-4D2E-8B61-3F2B8C1E9A47\",\n"
        "    \"profileId\" : \"marlvane-cli-0c5a7e9d-1f24-4d2e-8b61-3f2b8c1e9a47\",\n"
        "    \"type\" : \"cli\"\n"
        "  }\n"
        "]";
    EXPECT_EQ(JsonCoding<QList<CodexInstance>>::encode(records), expected);
    EXPECT_EQ(JsonCoding<QList<CodexInstance>>::decode(expected), records);
    EXPECT_EQ(JsonCoding<QList<CodexInstance>>::encode({}), QByteArray("[\n\n]"));
}

TEST(CodexInstanceCoding, RoundTripKeepsWholeSecondsAndDropsFractions)
{
    CodexInstance instance = sample();
    instance.lastUsedAt.reset();
    const QByteArray bytes = JsonCoding<QList<CodexInstance>>::encode({instance});
    EXPECT_FALSE(bytes.contains("lastUsedAt"));
    EXPECT_EQ(JsonCoding<QList<CodexInstance>>::decode(bytes), QList<CodexInstance>{instance});

    // A time given in another zone is written as the same instant in UTC.
    CodexInstance zoned = sample();
    zoned.createdAt = QDateTime(QDate(2026, 3, 1), QTime(11, 30, 0), QTimeZone(7200));
    EXPECT_TRUE(JsonCoding<QList<CodexInstance>>::encode({zoned}).contains("\"2026-03-01T09:30:00Z\""));

    CodexInstance fractional = sample();
    fractional.createdAt = utc(2026, 3, 1, 9, 30, 0, 999);
    const QList<CodexInstance> reloaded =
        JsonCoding<QList<CodexInstance>>::decode(JsonCoding<QList<CodexInstance>>::encode({fractional}));
    ASSERT_EQ(reloaded.size(), 1);
    EXPECT_EQ(reloaded.first().createdAt, utc(2026, 3, 1, 9, 30, 0));
    EXPECT_NE(reloaded.first(), fractional);
}

TEST(CodexInstanceCoding, LastUsedAtMayBeMissingOrNull)
{
    const QByteArray base = "\"type\":\"cli\",\"createdAt\":\"2026-03-01T09:30:00Z\"";
    for (const QByteArray& members : {base, base + ",\"lastUsedAt\":null"}) {
        const QList<CodexInstance> decoded = JsonCoding<QList<CodexInstance>>::decode(recordWith(members));
        ASSERT_EQ(decoded.size(), 1);
        EXPECT_FALSE(decoded.first().lastUsedAt.has_value());
        EXPECT_EQ(decoded.first().type, CodexInstanceType::cli);
        EXPECT_EQ(decoded.first().id, sampleId);
    }
    // Unknown keys are ignored; lower-case UUID letters are read as well.
    const QList<CodexInstance> extra = JsonCoding<QList<CodexInstance>>::decode(
        "[{\"id\":\"3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24\",\"displayName\":\"A\",\"profileId\":\"p\","
        "\"type\":\"desktop\",\"createdAt\":\"2026-03-01T09:30:00Z\",\"colour\":\"blue\"}]");
    ASSERT_EQ(extra.size(), 1);
    EXPECT_EQ(extra.first().id, sampleId);
}

TEST(CodexInstanceCoding, DecodingRejectsBadRecords)
{
    const QByteArray date = "\"createdAt\":\"2026-03-01T09:30:00Z\"";
    struct Case
    {
        const char* name;
        QByteArray bytes;
        QString mention;
    };
    const QList<Case> cases = {
        {"type Desktop", recordWith("\"type\":\"Desktop\"," + date), QStringLiteral("\"Desktop\"")},
        {"type app", recordWith("\"type\":\"app\"," + date), QStringLiteral("\"app\"")},
        {"no createdAt", recordWith("\"type\":\"cli\""), QStringLiteral("\"createdAt\"")},
        {"fractional second", recordWith("\"type\":\"cli\",\"createdAt\":\"2026-03-01T09:30:00.5Z\""),
         QStringLiteral("createdAt")},
        {"no zone", recordWith("\"type\":\"cli\",\"createdAt\":\"2026-03-01T09:30:00\""),
         QStringLiteral("createdAt")},
        {"offset zone", recordWith("\"type\":\"cli\",\"createdAt\":\"2026-03-01T09:30:00+00:00\""),
         QStringLiteral("createdAt")},
        {"impossible date", recordWith("\"type\":\"cli\",\"createdAt\":\"2026-02-30T09:30:00Z\""),
         QStringLiteral("createdAt")},
        {"bad lastUsedAt", recordWith("\"type\":\"cli\"," + date + ",\"lastUsedAt\":\"yesterday\""),
         QStringLiteral("lastUsedAt")},
        {"number as name",
         "[{\"id\":\"3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\",\"displayName\":7,\"profileId\":\"p\","
         "\"type\":\"cli\"," +
             date + "}]",
         QStringLiteral("displayName")},
        {"uuid in braces",
         "[{\"id\":\"{3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24}\",\"displayName\":\"A\","
         "\"profileId\":\"p\",\"type\":\"cli\"," +
             date + "}]",
         QStringLiteral("\"id\"")},
        {"uuid with blank",
         "[{\"id\":\" 3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\",\"displayName\":\"A\","
         "\"profileId\":\"p\",\"type\":\"cli\"," +
             date + "}]",
         QStringLiteral("\"id\"")},
        {"not JSON", "[{\"id\":", QStringLiteral("JSON")},
        {"empty", "", QStringLiteral("JSON")},
        {"object instead of array", "{}", QStringLiteral("数组")},
        {"array of texts", "[\"a\"]", QStringLiteral("第 1 条记录")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<PlatformError> error = decodeError(c.bytes);
        ASSERT_TRUE(error.has_value());
        EXPECT_TRUE(error->description().contains(c.mention)) << error->what();
    }

    // The position of the faulty record is named, counted from 1.
    const QByteArray good = "{\"id\":\"3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\",\"displayName\":\"A\","
                            "\"profileId\":\"p\",\"type\":\"cli\"," +
                            date + "}";
    const QByteArray third = "{\"id\":\"3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\",\"displayName\":\"A\","
                             "\"profileId\":\"p\",\"type\":\"cli\"}";
    const std::optional<PlatformError> error = decodeError("[" + good + "," + good + "," + third + "]");
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->description().contains(QStringLiteral("第 3 条记录"))) << error->what();
    EXPECT_TRUE(error->description().contains(QStringLiteral("缺少键 \"createdAt\""))) << error->what();
}

TEST(CodexInstanceEquality, AllSixFieldsCountAndHashFollowsEquality)
{
    const CodexInstance a = sample();
    CodexInstance same = sample();
    // The same instant written in another zone is the same date.
    same.createdAt = a.createdAt.toTimeZone(QTimeZone(3600));
    EXPECT_EQ(a, same);
    EXPECT_EQ(qHash(a), qHash(same));

    CodexInstance unused = a;
    unused.lastUsedAt.reset();
    EXPECT_NE(a, unused);
    EXPECT_NE(qHash(a), qHash(unused));

    CodexInstance renamed = a;
    renamed.displayName = QStringLiteral("Other");
    EXPECT_NE(a, renamed);

    CodexInstance cli = a;
    cli.type = CodexInstanceType::cli;
    EXPECT_NE(a, cli);
    EXPECT_NE(qHash(a), qHash(cli));

    CodexInstance later = a;
    later.createdAt = a.createdAt.addMSecs(1);
    EXPECT_NE(a, later);
}

TEST(CodexInstanceBuiltIns, DefaultRecordsStandForTheCoreDefaultProfile)
{
    const CodexInstance& desktop = CodexInstance::defaultDesktop();
    const CodexInstance& cli = CodexInstance::defaultCLI();
    EXPECT_EQ(desktop.id, QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000001")));
    EXPECT_EQ(cli.id, QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000002")));
    EXPECT_EQ(desktop.displayName, QStringLiteral("Default Desktop"));
    EXPECT_EQ(cli.displayName, QStringLiteral("Default CLI"));
    EXPECT_EQ(desktop.type, CodexInstanceType::desktop);
    EXPECT_EQ(cli.type, CodexInstanceType::cli);
    EXPECT_EQ(desktop.profileId, QStringLiteral("default"));
    EXPECT_EQ(cli.profileId, QStringLiteral("default"));
    EXPECT_FALSE(desktop.lastUsedAt.has_value());
    EXPECT_EQ(desktop.createdAt, IsoDate::distantPast());
    EXPECT_EQ(IsoDate::format(cli.createdAt), QStringLiteral("0001-01-01T00:00:00Z"));
    EXPECT_EQ(IsoDate::parse(QStringLiteral("0001-01-01T00:00:00Z")), IsoDate::distantPast());
}
