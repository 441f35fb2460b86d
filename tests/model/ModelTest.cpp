#include "IsoDate.h"
#include "JsonCoding.h"
#include "MarlvaneError.h"
#include "PlatformError.h"
#include "ProfileID.h"
#include "UuidText.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using Instances = JsonCoding<QList<CodexInstance>>;
using Projects = JsonCoding<QList<RecentProject>>;
const QString uuidText = QStringLiteral("3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24");
const QUuid uuid = QUuid::fromString(uuidText);

QDateTime utc(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

const CodexInstance sample(uuid, "Work/Side 工作", CodexInstanceType::desktop, "marlvane-desktop-" + uuidText,
                           utc(2026, 3, 1, 9, 30, 0), utc(2026, 3, 2, 10, 0, 5));

// The bytes every earlier version wrote: sorted keys, " : ", "\/", upper-case ids, whole-second dates.
TEST(Coding, SavedArraysHaveTheFileLayoutReadBackAndNameWhatIsWrong)
{
    const CodexInstance cli(QUuid::fromString(QStringLiteral("0c5a7e9d-1f24-4d2e-8b61-3f2b8c1e9a47")),
                            QStringLiteral("\"q\" \\ tab\tnew\nline\u0001\u007f é 🚀 ") + QChar(0xdc00),
                            CodexInstanceType::cli, "marlvane-cli-0c5a7e9d-1f24-4d2e-8b61-3f2b8c1e9a47",
                            QDateTime(QDate(2026, 1, 1), QTime(1, 59, 59, 999), QTimeZone(7200)),
                            std::nullopt);
    const QByteArray expected =
        "[\n  {\n    \"createdAt\" : \"2026-03-01T09:30:00Z\",\n    \"displayName\" : \"Work\\/Side 工作\",\n"
        "    \"id\" : \"3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\",\n    \"lastUsedAt\" : "
        "\"2026-03-02T10:00:05Z\",\n"
        "    \"profileId\" : \"marlvane-desktop-3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24\",\n"
        "    \"type\" : \"desktop\"\n  },\n  {\n    \"createdAt\" : \"2025-12-31T23:59:59Z\",\n"
        "    \"displayName\" : \"\\\"q\\\" \\\\ tab\\tnew\\nline\\u0001\x7f é 🚀 \\udc00\",\n"
        "    \"id\" : \"0C5A7E9D-1F24-4D2E-8B61-3F2B8C1E9A47\",\n"
        "    \"profileId\" : \"marlvane-cli-0c5a7e9d-1f24-4d2e-8b61-3f2b8c1e9a47\",\n    \"type\" : "
        "\"cli\"\n  }\n]";
    EXPECT_EQ(Instances::encode({sample, cli}), expected);
    const QList<CodexInstance> read = Instances::decode(expected);
    ASSERT_EQ(read.size(), 2);
    EXPECT_EQ(read.first(), sample);
    EXPECT_EQ(read.last().createdAt, utc(2025, 12, 31, 23, 59, 59));
    EXPECT_EQ(read.last().lastUsedAt, std::nullopt);
    EXPECT_EQ(Instances::encode({}), QByteArray("[\n\n]"));
    const QByteArray lenient = "[{\"id\":\"" + uuidText.toLatin1() +
                               "\",\"displayName\":\"A\",\"profileId\":\"p\",\"type\":\"cli\",\"createdAt\":"
                               "\"2026-03-01T09:30:00Z\",\"lastUsedAt\":null,\"colour\":\"blue\"}]";
    EXPECT_EQ(Instances::decode(lenient).value(0).id, uuid);

    const QList<RecentProject> list{{"/home/me/b", "b", utc(2026, 3, 1, 9, 30, 5)}};
    const QByteArray bytes =
        "[\n  {\n    \"displayName\" : \"b\",\n    \"lastOpenedAt\" : \"2026-03-01T09:30:05Z\",\n"
        "    \"path\" : \"\\/home\\/me\\/b\"\n  }\n]";
    EXPECT_EQ(Projects::encode(list), bytes);
    EXPECT_EQ(Projects::decode(bytes), list);
    for (const char* key : {"displayName", "lastOpenedAt", "path"}) {
        QByteArray missing = bytes;
        EXPECT_THROW(Projects::decode(missing.replace(key, "x")), PlatformError) << key;
    }

    // A file that does not decode is named by record and key.
    const QByteArray id = "\"id\":\"3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\",";
    const QByteArray good = "{" + id + "\"displayName\":\"A\",\"profileId\":\"p\",\"type\":\"cli\",";
    const QByteArray date = "\"createdAt\":\"2026-03-01T09:30:00Z\"";
    const std::pair<QByteArray, const char*> rows[] = {
        {"[" + good + date + "}," + good + "\"createdAt\":\"2026-02-30T09:30:00Z\"}]",
         "第 2 条记录：键 \"createdAt\" 的值 \"2026-02-30T09:30:00Z\" 不是 YYYY-MM-DDTHH:MM:SSZ 格式的日期"},
        {"[" + good + "\"lastUsedAt\":7," + date + "}]", "第 1 条记录：键 \"lastUsedAt\" 的值应为文本"},
        {"[" + good.chopped(1) + "}]", "第 1 条记录：缺少键 \"createdAt\""},
        {"[{" + id + "\"displayName\":\"A\",\"profileId\":\"p\",\"type\":\"Desktop\"," + date + "}]",
         "第 1 条记录：键 \"type\" 的值 \"Desktop\" 不是 \"desktop\" 或 \"cli\""},
        {"[{\"id\":\"{" + uuidText.toLatin1() + "}\",\"displayName\":\"A\"}]",
         "第 1 条记录：键 \"id\" 的值 \"{3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24}\" 不是 UUID"},
        {"[{" + id + "\"displayName\":7}]", "第 1 条记录：键 \"displayName\" 的值应为文本"},
        {"[\"a\"]", "第 1 条记录不是 JSON 对象"},
        {"{}", "内容应为 JSON 数组"},
        {"[{\"id\":", "不是有效的 JSON（位置 "},
    };
    for (const auto& [bytes, message] : rows) {
        SCOPED_TRACE(bytes.toStdString());
        try {
            Instances::decode(bytes);
            ADD_FAILURE() << "read";
        } catch (const PlatformError& error) {
            EXPECT_TRUE(error.description().startsWith(QString::fromUtf8(message))) << error.what();
        }
    }
}

TEST(Records, EveryFieldCountsInEqualityAndHashAndAnErrorCarriesItsPayload)
{
    CodexInstance same = sample;
    same.createdAt = sample.createdAt.toTimeZone(QTimeZone(3600));
    EXPECT_EQ(sample, same);
    EXPECT_EQ(qHash(sample), qHash(same));
    std::vector<CodexInstance> others(6, sample);
    others[0].id = QUuid();
    others[1].displayName = "Other";
    others[2].type = CodexInstanceType::cli;
    others[3].profileId = "p";
    others[4].createdAt = sample.createdAt.addMSecs(1);
    others[5].lastUsedAt.reset();
    for (const CodexInstance& other : others) {
        EXPECT_NE(sample, other);
        EXPECT_NE(qHash(sample), qHash(other));
    }

    const RecentProject a{"/home/me/b", "b", utc(2026, 3, 1, 9, 30, 5)};
    for (const RecentProject& other :
         {RecentProject{"/home/me/c", "b", a.lastOpenedAt}, RecentProject{a.path, "c", a.lastOpenedAt},
          RecentProject{a.path, "b", a.lastOpenedAt.addSecs(1)}}) {
        EXPECT_NE(a, other);
        EXPECT_NE(qHash(a), qHash(other));
    }
    EXPECT_EQ(a.id(), a.path);

    const QString lines = QStringLiteral("  first line\nsecond line\n");
    const MarlvaneError error = MarlvaneError::coreFailure(lines), copy = error;
    EXPECT_EQ(error.errorDescription(), QStringLiteral("Core 操作失败：") + lines);
    EXPECT_STREQ(copy.what(), error.errorDescription().toUtf8().constData());
    EXPECT_EQ(error, MarlvaneError::coreFailure(lines));
    EXPECT_NE(error, MarlvaneError::coreFailure("x"));
    EXPECT_NE(MarlvaneError::invalidName(), MarlvaneError::projectMissing());
}

TEST(TextForms, DatesUuidsAndProfileIdentifiersHaveExactlyOneForm)
{
    EXPECT_EQ(IsoDate::format(QDateTime(QDate(2026, 3, 1), QTime(0, 30, 0, 999), QTimeZone(3600))),
              "2026-02-28T23:30:00Z");
    EXPECT_EQ(IsoDate::format(IsoDate::distantPast()), "0001-01-01T00:00:00Z");
    EXPECT_EQ(IsoDate::format(utc(10000, 1, 2, 3, 4, 5)), "10000-01-02T03:04:05Z");
    const std::optional<QDateTime> read = IsoDate::parse("2024-02-29T23:59:59Z");
    EXPECT_EQ(read, utc(2024, 2, 29, 23, 59, 59));
    EXPECT_EQ(read.value_or(QDateTime()).timeSpec(), Qt::UTC);
    for (const char* text : {"2026-03-01T09:30:00.5Z", "2026-03-01T09:30:00+00:00", "2026-03-01T09:30:00Z\n",
                             " 2026-03-01T09:30:00Z", "2026-02-29T09:30:00Z", "2026-03-01T24:00:00Z",
                             "0000-01-01T00:00:00Z", "١٠٢٦-03-01T09:30:00Z", ""})
        EXPECT_EQ(IsoDate::parse(text), std::nullopt) << text;

    EXPECT_EQ(UuidText::upper(uuid), uuidText.toUpper());
    EXPECT_EQ(UuidText::lower(QUuid::fromString(uuidText.toUpper())), uuidText);
    EXPECT_EQ(UuidText::parse("3f2B8c1E-9a47-4D2e-8b61-0C5a7e9D1f24"), uuid);
    EXPECT_EQ(UuidText::parse("00000000-0000-0000-0000-000000000000"), QUuid());
    for (const QString& text : {"{" + uuidText + "}", uuidText.chopped(1), uuidText + "\n",
                                QString(uuidText).replace(0, 1, QChar(0x0663))})
        EXPECT_EQ(UuidText::parse(text), std::nullopt) << text.toStdString();

    using Components = ProfileID::Components;
    EXPECT_EQ(ProfileID::compose(CodexInstanceType::cli, uuid), "marlvane-cli-" + uuidText);
    EXPECT_EQ(ProfileID::parse("marlvane-desktop-" + uuidText.toUpper()),
              (Components{CodexInstanceType::desktop, uuid}));
    EXPECT_EQ(ProfileID::parse("marlvane-cli-" + uuidText), (Components{CodexInstanceType::cli, uuid}));
    EXPECT_TRUE(ProfileID::isManaged("marlvane-cli-" + uuidText));
    const QString genuine = "marlvane-cli-" + uuidText;
    for (const QString& text : {QString("default"), QString("marlvane-desktop-"), "Marlvane-cli-" + uuidText,
                                "marlvane-app-" + uuidText, genuine + "/../../victim", " " + genuine,
                                genuine + "\u200B", genuine.toUpper(), genuine.chopped(1)}) {
        EXPECT_EQ(ProfileID::parse(text), std::nullopt) << text.toStdString();
        EXPECT_FALSE(ProfileID::isManaged(text)) << text.toStdString();
    }
    EXPECT_EQ(CodexInstanceTypes::fromRawValue("CLI"), std::nullopt);
}

} // namespace
