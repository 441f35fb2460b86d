// The direct reader of the instance list against the general decoder (QJsonDocument): on every
// input it either declines or gives exactly the general decoder's records, and it does take
// the files this program writes, in any layout and with any escapes.

#include "InstanceListReader.h"
#include "IsoDate.h"
#include "JsonCoding.h"
#include "PlatformError.h"
#include "UuidText.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

using Instances = QList<CodexInstance>;

/** @brief The general decoder's records, or nothing when it refuses the bytes. */
std::optional<Instances> generic(const QByteArray& bytes)
{
    try {
        return JsonCoding<Instances>::decodeGeneric(bytes);
    } catch (const PlatformError&) {
        return std::nullopt;
    }
}

/** @brief Texts that need every kind of care: escapes, non-ASCII, surrogates, JSON syntax. */
const QStringList pieces = {
    QStringLiteral("plain"),      QStringLiteral("/"),    QStringLiteral("\\"),     QStringLiteral("\""),
    QStringLiteral("\n\t\r\b\f"), QString(QChar(0x01)),   QString(QChar(0x00)),     QString(QChar(0x7f)),
    QStringLiteral("工作实例"),   QStringLiteral("é"),    QStringLiteral("🚀"),      QString(QChar(0xd800)),
    QString(QChar(0xdc00)),       QString(QChar(0xfffe)), QStringLiteral("{}[],:"), QStringLiteral(" "),
};

class Generator
{
public:
    explicit Generator(quint32 seed)
        : m_random(seed)
    {}

    int below(int bound) { return static_cast<int>(m_random.bounded(bound)); }
    bool chance(int percent) { return below(100) < percent; }

    QString text()
    {
        QString text;
        const int count = below(5);
        for (int i = 0; i < count; ++i) {
            text += pieces.at(below(pieces.size()));
        }
        return text;
    }

    CodexInstance record()
    {
        CodexInstance record;
        record.id = QUuid::createUuidV5(QUuid(), QString::number(m_random.generate()));
        record.displayName = text();
        record.type = chance(50) ? CodexInstanceType::cli : CodexInstanceType::desktop;
        record.profileId = text();
        record.createdAt = QDateTime::fromSecsSinceEpoch(m_random.bounded(4000000000u), Qt::UTC);
        if (chance(50)) {
            record.lastUsedAt = QDateTime::fromSecsSinceEpoch(m_random.bounded(4000000000u), Qt::UTC);
        }
        return record;
    }

    Instances records()
    {
        Instances records;
        const int count = below(4);
        for (int i = 0; i < count; ++i) {
            records.append(record());
        }
        return records;
    }

    /** @brief JSON white space, often none. */
    QByteArray space()
    {
        static const char blanks[] = {' ', '\n', '\r', '\t'};
        QByteArray space;
        while (chance(30)) {
            space += blanks[below(4)];
        }
        return space;
    }

    /** @brief A JSON string for `text`, each character written one of the ways JSON allows,
     * or (without `anyForm`) escaped only where JSON demands it. */
    QByteArray quoted(const QString& text, bool anyForm)
    {
        QByteArray out = "\"";
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text.at(i).unicode();
            const bool pair =
                QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
            const bool mustEscape = c < 0x20 || c == u'"' || c == u'\\' || (QChar::isSurrogate(c) && !pair);
            if (mustEscape || (anyForm && chance(20))) {
                out += escaped(c);
                if (pair) {
                    out += escaped(text.at(++i).unicode());
                }
            } else if (c == u'/' && anyForm && chance(50)) {
                out += "\\/";
            } else {
                out += text.mid(i, pair ? 2 : 1).toUtf8();
                i += pair ? 1 : 0;
            }
        }
        return out + "\"";
    }

    /**
     * @brief The records as JSON text in a random layout, with the members in random order.
     * Texts are written with random escapes; identifiers, types and dates only `sometimes`.
     */
    QByteArray document(const Instances& records, int sometimes)
    {
        QByteArray out = space() + "[" + space();
        for (qsizetype r = 0; r < records.size(); ++r) {
            const CodexInstance& record = records.at(r);
            QList<std::pair<QByteArray, QString>> members = {
                {"createdAt", IsoDate::format(record.createdAt)},
                {"displayName", record.displayName},
                {"id", chance(50) ? UuidText::upper(record.id) : UuidText::lower(record.id)},
                {"profileId", record.profileId},
                {"type", CodexInstanceTypes::rawValue(record.type)},
            };
            if (record.lastUsedAt) {
                members.append({"lastUsedAt", IsoDate::format(*record.lastUsedAt)});
            }
            for (qsizetype i = members.size() - 1; i > 0; --i) {
                members.swapItemsAt(i, below(static_cast<int>(i) + 1));
            }
            out += "{" + space();
            for (qsizetype m = 0; m < members.size(); ++m) {
                const QByteArray& key = members.at(m).first;
                const bool text = key == "displayName" || key == "profileId";
                out += (m > 0 ? "," + space() : QByteArray()) + "\"" + key + "\"" + space() + ":" + space() +
                       quoted(members.at(m).second, text || chance(sometimes)) + space();
            }
            out += "}" + space() + (r + 1 < records.size() ? "," + space() : QByteArray());
        }
        return out + "]" + space();
    }

    /** @brief One random damage or change, of the kinds that readers get wrong. */
    QByteArray mutated(QByteArray bytes)
    {
        static const QList<QByteArray> insertions = {
            "\"",
            "\\",
            "\\u",
            "\\x",
            "\\ud800",
            "\\u00e9",
            ",",
            ":",
            "{",
            "}",
            "[",
            "]",
            "null",
            "1",
            "true",
            " ",
            "\n",
            "\x01",
            "\x7f",
            "\xef\xbb\xbf",
            "\xc0",
            "\x80",
            "\xc0\x80",
            "\xed\xa0\x80",
            "\xf4\x90\x80\x80",
            "\xe5\xb7",
            "\xf0\x9f\x9a\x80",
            "\"id\":\"x\",",
            "\"colour\":\"blue\",",
            "\"lastUsedAt\":null,",
            "\"displayName\":\"again\",",
            "\"type\":\"cli\",",
            "\"createdAt\":\"2026-02-30T09:30:00Z\",",
            "\"lastUsedAt\":7,",
        };
        const int edits = 1 + below(3);
        for (int e = 0; e < edits; ++e) {
            const int at = below(static_cast<int>(bytes.size()) + 1);
            switch (below(4)) {
            case 0:
                bytes.remove(at, 1 + below(3));
                break;
            case 1:
                bytes.insert(at, insertions.at(below(insertions.size())));
                break;
            case 2:
                if (at < bytes.size()) {
                    bytes[at] = static_cast<char>(below(256));
                }
                break;
            default:
                // Right after a member's opening quote, where keys and values begin.
                const qsizetype quote = bytes.indexOf('"', at);
                if (quote >= 0) {
                    bytes.insert(quote + 1, insertions.at(below(insertions.size())));
                }
            }
        }
        return bytes;
    }

private:
    QByteArray escaped(char16_t c)
    {
        switch (c) {
        case u'"':
            return "\\\"";
        case u'\\':
            return "\\\\";
        case u'\n':
            return chance(50) ? "\\n" : "\\u000a";
        case u'\t':
            return chance(50) ? "\\t" : "\\u0009";
        default:
            break;
        }
        QByteArray hex = QByteArray::number(c, 16).rightJustified(4, '0');
        return "\\u" + (chance(50) ? hex.toUpper() : hex);
    }

    QRandomGenerator m_random;
};

} // namespace

TEST(InstanceListReader, TakesWhatTheWriterWritesAndEveryOtherLayoutOfIt)
{
    Generator generate(20260301);
    for (int i = 0; i < 400; ++i) {
        const Instances records = generate.records();
        const QByteArray written = JsonCoding<Instances>::encode(records);
        const QByteArray layout = generate.document(records, 0);
        for (const QByteArray& bytes : {written, layout}) {
            SCOPED_TRACE(bytes.toStdString());
            const std::optional<Instances> direct = InstanceListReader::read(bytes);
            ASSERT_TRUE(direct.has_value());
            EXPECT_EQ(*direct, records);
            EXPECT_EQ(generic(bytes), direct);
        }
    }
}

TEST(InstanceListReader, DeclinesOrAgreesOnDamagedAndUnusualInput)
{
    Generator generate(7);
    int taken = 0;
    int declined = 0;
    for (int i = 0; i < 6000; ++i) {
        const QByteArray bytes = generate.mutated(generate.document(generate.records(), 5));
        const std::optional<Instances> direct = InstanceListReader::read(bytes);
        const std::optional<Instances> general = generic(bytes);
        if (direct) {
            ++taken;
            ASSERT_EQ(direct, general) << bytes.toStdString();
        } else {
            ++declined;
        }
        // Whichever way the bytes went, the decoder answers as the general decoder does.
        try {
            ASSERT_EQ(JsonCoding<Instances>::decode(bytes), general) << bytes.toStdString();
        } catch (const PlatformError& error) {
            ASSERT_FALSE(general.has_value()) << bytes.toStdString();
            try {
                JsonCoding<Instances>::decodeGeneric(bytes);
            } catch (const PlatformError& reference) {
                EXPECT_EQ(error.description(), reference.description());
            }
        }
    }
    // Both ways were taken often enough for the comparison to mean something.
    EXPECT_GT(taken, 250);
    EXPECT_GT(declined, 3000);
}

TEST(InstanceListReader, DeclinesWhatItIsNotSureAbout)
{
    const QByteArray id = "\"id\":\"3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\"";
    const QByteArray rest = "\"displayName\":\"A\",\"profileId\":\"p\",\"type\":\"cli\","
                            "\"createdAt\":\"2026-03-01T09:30:00Z\"";
    const auto list = [&](const QByteArray& members) {
        return "[{" + members + "}]";
    };
    const QByteArray good = list(id + "," + rest);
    ASSERT_TRUE(InstanceListReader::read(good).has_value());

    const QList<QByteArray> declined = {
        "",
        "{}",
        "[{}]",
        "[\"a\"]",
        "\xef\xbb\xbf" + good,
        good + " x",
        good + "]",
        "[" + good.mid(1, good.size() - 2) + ",]",
        list(id + "," + rest + ",\"colour\":\"blue\""),
        list(id + "," + rest + "," + id),
        list(id + "," + rest + ",\"lastUsedAt\":null"),
        list(id + "," + rest + ",\"lastUsedAt\":\"yesterday\""),
        list(rest),
        list("\"id\":7," + rest),
        list("\"i\\u0064\":\"3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24\"," + rest),
        list("\"id\":\"{3F2B8C1E-9A47-4D2E-8B61-0C5A7E9D1F24}\"," + rest),
        list(id + "," + QByteArray(rest).replace("\"A\"", "\"A\x01\"")),
        list(id + "," + QByteArray(rest).replace("\"A\"", "\"A\\x\"")),
        list(id + "," + QByteArray(rest).replace("\"A\"", "\"A\\u00g0\"")),
        list(id + "," + QByteArray(rest).replace("\"A\"", "\"\xc0\x80\"")),
        list(id + "," + QByteArray(rest).replace("\"A\"", "\"\xed\xa0\x80\"")),
        list(id + "," + QByteArray(rest).replace("\"A\"", "\"\xf4\x90\x80\x80\"")),
        list(id + "," + QByteArray(rest).replace("\"A\"", "\"\xe5\xb7\"")),
        list(id + "," + QByteArray(rest).replace("\"cli\"", "\"CLI\"")),
        list(id + "," + QByteArray(rest).replace("09:30:00Z", "09:30:00.5Z")),
        list(id + "," + QByteArray(rest).replace("2026-03-01", "2026-02-30")),
    };
    for (const QByteArray& bytes : declined) {
        SCOPED_TRACE(bytes.toStdString());
        EXPECT_FALSE(InstanceListReader::read(bytes).has_value());
    }

    // Empty lists in any layout, and texts with escapes of every kind, are taken.
    for (const QByteArray& empty : {QByteArray("[]"), QByteArray("[\n\n]"), QByteArray(" \t[\r\n ]\n")}) {
        EXPECT_EQ(InstanceListReader::read(empty), Instances());
    }
    const std::optional<Instances> escapes = InstanceListReader::read(list(
        id + "," +
        QByteArray(rest).replace("\"A\"", "\"\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00E9\\ud83d\\ude80\\udc00\"")));
    ASSERT_TRUE(escapes.has_value());
    ASSERT_EQ(escapes->size(), 1);
    EXPECT_EQ(escapes->first().displayName, QStringLiteral("\"\\/\b\f\n\r\té🚀") + QChar(0xdc00));
}

// The seeds of the fuzz corpus say by their names which way they must go.
TEST(InstanceListReader, CorpusSeedsGoTheWayTheirNamesSay)
{
    const QDir corpus(QStringLiteral(MARLVANE_INSTANCES_CORPUS));
    int checked = 0;
    for (const QString& name : corpus.entryList(QDir::Files)) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        SCOPED_TRACE(name.toStdString());
        const std::optional<Instances> direct = InstanceListReader::read(bytes);
        if (name.startsWith(QStringLiteral("direct-"))) {
            ASSERT_TRUE(direct.has_value());
            EXPECT_FALSE(direct->isEmpty());
            ++checked;
        } else if (name.startsWith(QStringLiteral("decline-"))) {
            EXPECT_FALSE(direct.has_value());
            ++checked;
        }
        if (direct) {
            EXPECT_EQ(direct, generic(bytes));
        }
    }
    EXPECT_GE(checked, 10);
}
