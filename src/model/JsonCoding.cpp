#include "JsonCoding.h"

#include "JsonWriter.h"
#include "PlatformError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

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

} // namespace

QByteArray JsonCoding<QList<CodexInstance>>::encode(const QList<CodexInstance>& value)
{
    return encodeList(value);
}

QList<CodexInstance> JsonCoding<QList<CodexInstance>>::decode(const QByteArray& bytes)
{
    return decodeList<CodexInstance>(bytes);
}

QByteArray JsonCoding<QList<RecentProject>>::encode(const QList<RecentProject>& value)
{
    return encodeList(value);
}

QList<RecentProject> JsonCoding<QList<RecentProject>>::decode(const QByteArray& bytes)
{
    return decodeList<RecentProject>(bytes);
}
