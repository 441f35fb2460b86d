#include "FilePath.h"
#include "JsonWriter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using Slashes = JsonWriter::Slashes;

TEST(JsonWriter, WritesThePrettyAndTheCompactLayout)
{
    QJsonObject inner{{QStringLiteral("z"), QJsonArray{1, 2.5, true, QJsonValue::Null}},
                      {QStringLiteral("a"), QJsonObject()}};
    const QJsonObject object{{QStringLiteral("path"), QStringLiteral("/a")},
                             {QStringLiteral("inner"), inner},
                             {QStringLiteral("list"), QJsonArray()}};
    EXPECT_EQ(
        JsonWriter::pretty(object, Slashes::Escaped),
        QByteArray("{\n  \"inner\" : {\n    \"a\" : {\n\n    },\n    \"z\" : [\n      1,\n      2.5,\n"
                   "      true,\n      null\n    ]\n  },\n  \"list\" : [\n\n  ],\n  \"path\" : \"\\/a\"\n}"));
    EXPECT_EQ(JsonWriter::compact(object, Slashes::Unescaped),
              QByteArray("{\"inner\":{\"a\":{},\"z\":[1,2.5,true,null]},\"list\":[],\"path\":\"/a\"}"));
}

TEST(JsonWriter, EscapesTextsAndWritesNumbersAsTheDataFilesWant)
{
    const std::pair<QJsonValue, QByteArray> rows[] = {
        {QStringLiteral("a/b"), "\"a\\/b\""},
        {QStringLiteral("q\"b\\e"), "\"q\\\"b\\\\e\""},
        {QStringLiteral("\b\f\n\r\t"), "\"\\b\\f\\n\\r\\t\""},
        {QString(QChar(0)) + QChar(0x1f) + QChar(0x7f), QByteArray("\"\\u0000\\u001f\x7f\"", 15)},
        {QStringLiteral("工作é"), "\"工作é\""},
        {QString::fromUtf16(u"\U0001F680"), "\"\xF0\x9F\x9A\x80\""},
        {QString(QChar(0xd83d)) + QChar(u'x') + QChar(0xdc00), "\"\\ud83dx\\udc00\""},
        {QString(QChar(u'x')) + QChar(0xdbff), "\"x\\udbff\""},
        {-3.0, "-3"},
        {0.1, "0.10000000000000001"},
        {1e300, "1.0000000000000001e+300"},
        {8999999999999999.0, "8999999999999999"},
        {QJsonValue(QJsonValue::Undefined), "null"},
        {false, "false"},
    };
    for (const auto& [value, escaped] : rows) {
        SCOPED_TRACE(escaped.toStdString());
        EXPECT_EQ(JsonWriter::compact(value, Slashes::Escaped), escaped);
        EXPECT_EQ(JsonWriter::pretty(value, Slashes::Unescaped), QByteArray(escaped).replace("\\/", "/"));
        if (value.isString()) {
            EXPECT_EQ(QJsonDocument::fromJson("[" + escaped + "]").array().first().toString(),
                      value.toString());
        }
    }
}

TEST(FilePath, StandardisesAndNamesTheLocation)
{
    const QString here = QDir::currentPath();
    // "@" stands for the current folder.
    const char* const rows[][3] = {{"/", "/", ""},
                                   {"///", "/", ""},
                                   {"/a/b/", "/a/b", "b"},
                                   {"/a//b", "/a/b", "b"},
                                   {"/a/./b/../c", "/a/c", "c"},
                                   {"a/../b", "@/b", "b"},
                                   {"~/x", "@/~/x", "x"},
                                   {"", "@", ""},
                                   {".", "@", "."},
                                   {"b", "@/b", "b"},
                                   {"/srv/项目 A/", "/srv/项目 A", "项目 A"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        const QString path = QString::fromUtf8(row[0]);
        EXPECT_EQ(FilePath::standardised(path),
                  QDir::cleanPath(QString::fromUtf8(row[1]).replace(u'@', here)));
        EXPECT_EQ(FilePath::lastComponent(path), QString::fromUtf8(row[2]));
    }
}
