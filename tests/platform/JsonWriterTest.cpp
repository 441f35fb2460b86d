#include "JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QJsonObject sample()
{
    QJsonObject inner;
    inner.insert(QStringLiteral("z"), QJsonArray{1, 2.5, true, QJsonValue::Null});
    inner.insert(QStringLiteral("a"), QJsonObject());
    QJsonObject object;
    object.insert(QStringLiteral("path"), QStringLiteral("/a/b \"q\" \\ 工作\n\t\x01"));
    object.insert(QStringLiteral("inner"), inner);
    object.insert(QStringLiteral("list"), QJsonArray());
    return object;
}

} // namespace

TEST(JsonWriter, PrettyLayoutWithSortedKeys)
{
    const QByteArray expected = "{\n"
                                "  \"inner\" : {\n"
                                "    \"a\" : {\n"
                                "\n"
                                "    },\n"
                                "    \"z\" : [\n"
                                "      1,\n"
                                "      2.5,\n"
                                "      true,\n"
                                "      null\n"
                                "    ]\n"
                                "  },\n"
                                "  \"list\" : [\n"
                                "\n"
                                "  ],\n"
                                "  \"path\" : \"\\/a\\/b \\\"q\\\" \\\\ 工作\\n\\t\\u0001\"\n"
                                "}";
    EXPECT_EQ(JsonWriter::pretty(sample(), JsonWriter::Slashes::Escaped), expected);
}

TEST(JsonWriter, CompactAndUnescapedFormsReadBackEqual)
{
    const QByteArray compact = JsonWriter::compact(sample(), JsonWriter::Slashes::Unescaped);
    EXPECT_TRUE(
        compact.startsWith("{\"inner\":{\"a\":{},\"z\":[1,2.5,true,null]},\"list\":[],\"path\":\"/a/b"))
        << compact.constData();
    for (const QByteArray& bytes : {compact, JsonWriter::pretty(sample(), JsonWriter::Slashes::Escaped)}) {
        EXPECT_EQ(QJsonDocument::fromJson(bytes).object(), sample());
    }
}
