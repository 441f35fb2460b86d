#include "JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

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

namespace {

// The escaping rules of the data files spelled out one code point at a time.
QByteArray referenceString(const QString& text, JsonWriter::Slashes slashes)
{
    QByteArray out = "\"";
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += text.mid(i++, 2).toUtf8();
        } else if (QChar::isSurrogate(c)) {
            out += "\\u" + QByteArray::number(c, 16);
        } else if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == u'/') {
            out += slashes == JsonWriter::Slashes::Escaped ? "\\/" : "/";
        } else if (c < 0x20) {
            const QHash<char16_t, QByteArray> named = {
                {u'\b', "\\b"}, {u'\f', "\\f"}, {u'\n', "\\n"}, {u'\r', "\\r"}, {u'\t', "\\t"}};
            out += named.value(c, "\\u00" + QByteArray::number(c, 16).rightJustified(2, '0'));
        } else {
            out += QString(QChar(c)).toUtf8();
        }
    }
    return out + "\"";
}

} // namespace

TEST(JsonWriter, StringsMatchTheRulesAndReadBackUnchanged)
{
    const QList<char16_t> units = {u'a',   u' ',   u'"',   u'\\',  u'/',   u'\n',  u'\t',  0x00,
                                   0x01,   0x1f,   0x7f,   0x80,   0xe9,   0x7ff,  0x800,  0x5de5,
                                   0xfffe, 0xffff, 0xd83d, 0xde80, 0xd800, 0xdbff, 0xdc00, 0xdfff};
    QRandomGenerator random(3);
    for (int i = 0; i < 3000; ++i) {
        QString text;
        const int length = static_cast<int>(random.bounded(40));
        for (int n = 0; n < length; ++n) {
            text += QChar(units.at(static_cast<int>(random.bounded(units.size()))));
        }
        for (const JsonWriter::Slashes slashes :
             {JsonWriter::Slashes::Escaped, JsonWriter::Slashes::Unescaped}) {
            const QByteArray out = JsonWriter::compact(text, slashes);
            ASSERT_EQ(out, referenceString(text, slashes)) << i;
            const QJsonArray back = QJsonDocument::fromJson("[" + out + "]").array();
            ASSERT_EQ(back.size(), 1);
            EXPECT_EQ(back.first().toString(), text) << i;
        }
    }
}
