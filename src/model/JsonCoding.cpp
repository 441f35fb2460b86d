#include "JsonCoding.h"

#include "InstanceListReader.h"
#include "IsoDate.h"
#include "JsonWriter.h"
#include "PlatformError.h"
#include "UuidText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>

namespace {

template <typename Record> QByteArray encodeList(const QList<Record>& records)
{
    QJsonArray array;
    for (const Record& record : records) {
        array.append(record.toJson());
    }
    return JsonWriter::pretty(array, JsonWriter::Slashes::Escaped);
}

template <typename Record> QList<Record> decodeList(const QByteArray& bytes)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        throw PlatformError(QStringLiteral("不是有效的 JSON（位置 %1）：%2")
                                .arg(parseError.offset)
                                .arg(parseError.errorString()));
    }
    if (!document.isArray()) {
        throw PlatformError(QStringLiteral("内容应为 JSON 数组"));
    }
    const QJsonArray array = document.array();
    QList<Record> records;
    records.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        // Records are counted from 1, as a person reading the file would count them. The text
        // is made only for a message: a long list would otherwise pay for it on every load.
        const auto where = [i] {
            return QStringLiteral("第 %1 条记录").arg(i + 1);
        };
        if (!array.at(i).isObject()) {
            throw PlatformError(where() + QStringLiteral("不是 JSON 对象"));
        }
        try {
            records.append(Record::fromJson(array.at(i).toObject()));
        } catch (const PlatformError& error) {
            throw PlatformError(where() + QStringLiteral("：") + error.description(), error.code());
        }
    }
    return records;
}

char* put(char* to, QLatin1String text)
{
    return std::copy_n(text.data(), text.size(), to);
}

// The member's start, indentation and quotes included: "    \"id\" : ", then the text.
char* putMember(char* to, QLatin1String key, QStringView value)
{
    return JsonWriter::writeString(put(to, key), value, JsonWriter::Slashes::Escaped);
}

// IsoDate's text: ASCII digits, '-', 'T', ':' and 'Z', which need no escaping.
char* putDate(char* to, QLatin1String key, const QDateTime& date)
{
    to = put(to, key);
    *to++ = '"';
    to = IsoDate::write(to, date);
    return put(to, QLatin1String("\",\n"));
}

// The instance list can be long, and building a QJsonObject per record cost several times more
// than writing both files of a save. So its records are written straight into the layout that
// JsonWriter::pretty gives an array of CodexInstance::toJson() objects: keys in ascending order,
// the same escapes, byte for byte the same file. Each record is written straight into room made
// for its longest possible form; the room is made in large steps and cut back at the end.
void encodeInstances(const QList<CodexInstance>& instances, QByteArray& out)
{
    out.resize(0);
    if (instances.isEmpty()) {
        out += JsonWriter::pretty(QJsonArray(), JsonWriter::Slashes::Escaped);
        return;
    }
    out += "[\n";
    qsizetype length = out.size();
    for (qsizetype i = 0; i < instances.size(); ++i) {
        const CodexInstance& instance = instances.at(i);
        const QString type = CodexInstanceTypes::rawValue(instance.type);
        // Keys, layout and the identifier take 200 bytes; the dates and texts what they may.
        const qsizetype room =
            200 + 2 * IsoDate::maxLength + JsonWriter::maxStringSize(instance.displayName.size()) +
            JsonWriter::maxStringSize(instance.profileId.size()) + JsonWriter::maxStringSize(type.size());
        if (out.size() - length < room) {
            out.resize(length + room + 65536);
        }
        char* const first = out.data() + length;
        char* to = put(first, QLatin1String("  {\n"));
        to = putDate(to, QLatin1String("    \"createdAt\" : "), instance.createdAt);
        to = putMember(to, QLatin1String("    \"displayName\" : "), instance.displayName);
        // UuidText::upper's text: hexadecimal digits and hyphens, which need no escaping.
        to = put(to, QLatin1String(",\n    \"id\" : \""));
        to = UuidText::writeUpper(to, instance.id);
        to = put(to, QLatin1String("\",\n"));
        if (instance.lastUsedAt) {
            to = putDate(to, QLatin1String("    \"lastUsedAt\" : "), *instance.lastUsedAt);
        }
        to = putMember(to, QLatin1String("    \"profileId\" : "), instance.profileId);
        to = putMember(to, QLatin1String(",\n    \"type\" : "), type);
        to = put(to, i + 1 < instances.size() ? QLatin1String("\n  },\n") : QLatin1String("\n  }\n"));
        length += to - first;
    }
    out.resize(length);
    out += ']';
}

} // namespace

QByteArray JsonCoding<QList<CodexInstance>>::encode(const QList<CodexInstance>& value)
{
    QByteArray out;
    encodeInstances(value, out);
    return out;
}

void JsonCoding<QList<CodexInstance>>::encode(const QList<CodexInstance>& value, QByteArray& out)
{
    encodeInstances(value, out);
}

QList<CodexInstance> JsonCoding<QList<CodexInstance>>::decode(const QByteArray& bytes)
{
    // Going through a QJsonDocument took three times as long as reading the bytes directly.
    // Files this program wrote, and most edited by hand, take the direct way; whatever it is
    // not sure about goes the general way, which also finds the words for what is wrong.
    if (std::optional<QList<CodexInstance>> records = InstanceListReader::read(bytes)) {
        return std::move(*records);
    }
    return decodeGeneric(bytes);
}

QList<CodexInstance> JsonCoding<QList<CodexInstance>>::decodeGeneric(const QByteArray& bytes)
{
    return decodeList<CodexInstance>(bytes);
}

QByteArray JsonCoding<QList<RecentProject>>::encode(const QList<RecentProject>& value)
{
    return encodeList(value);
}

void JsonCoding<QList<RecentProject>>::encode(const QList<RecentProject>& value, QByteArray& out)
{
    out = encodeList(value);
}

QList<RecentProject> JsonCoding<QList<RecentProject>>::decode(const QByteArray& bytes)
{
    return decodeList<RecentProject>(bytes);
}
