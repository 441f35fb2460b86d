#include "JsonCoding.h"
#include "PlatformError.h"
#include "RecentProject.h"

#include <gtest/gtest.h>

namespace {

RecentProject project(const QString& path, int second)
{
    return {path, path.section(QLatin1Char('/'), -1),
            QDateTime(QDate(2026, 3, 1), QTime(9, 30, second), Qt::UTC)};
}

} // namespace

TEST(RecentProjectCoding, ListRoundTripsInOrder)
{
    const QList<RecentProject> list = {project(QStringLiteral("/home/me/b"), 5),
                                       project(QStringLiteral("/home/me/a"), 1)};
    const QByteArray bytes = JsonCoding<QList<RecentProject>>::encode(list);
    EXPECT_EQ(bytes, QByteArray("[\n"
                                "  {\n"
                                "    \"displayName\" : \"b\",\n"
                                "    \"lastOpenedAt\" : \"2026-03-01T09:30:05Z\",\n"
                                "    \"path\" : \"\\/home\\/me\\/b\"\n"
                                "  },\n"
                                "  {\n"
                                "    \"displayName\" : \"a\",\n"
                                "    \"lastOpenedAt\" : \"2026-03-01T09:30:01Z\",\n"
                                "    \"path\" : \"\\/home\\/me\\/a\"\n"
                                "  }\n"
                                "]"));
    EXPECT_EQ(JsonCoding<QList<RecentProject>>::decode(bytes), list);
}

TEST(RecentProjectCoding, EveryKeyIsRequiredAndEveryFieldCounts)
{
    const QByteArray noName = R"([{"path": "/a", "lastOpenedAt": "2026-03-01T09:30:00Z"}])";
    try {
        JsonCoding<QList<RecentProject>>::decode(noName);
        ADD_FAILURE() << "a record without displayName was read";
    } catch (const PlatformError& error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("\"displayName\""))) << error.what();
    }

    const RecentProject a = project(QStringLiteral("/a"), 1);
    RecentProject later = a;
    later.lastOpenedAt = later.lastOpenedAt.addSecs(1);
    EXPECT_NE(a, later);
    EXPECT_NE(a, project(QStringLiteral("/A"), 1));
    EXPECT_EQ(qHash(a), qHash(project(QStringLiteral("/a"), 1)));
    EXPECT_EQ(a.id(), QStringLiteral("/a"));
}
