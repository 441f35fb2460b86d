#include "JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// A text in QJsonDocument's escapes: its compact form of a one-text array, brackets cut off.
// Inside a JSON text a "/" can only stand for itself, so escaping it is a plain replacement.
void appendString(QByteArray& out, const QString& text, JsonWriter::Slashes slashes)
{
    QByteArray quoted = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    quoted = quoted.sliced(1, quoted.size() - 2);
    if (slashes == JsonWriter::Slashes::Escaped) {
        quoted.replace("/", "\\/");
    }
    out += quoted;
}

void writeNumber(QByteArray& out, double number)
{
    double whole = 0;
    if (std::modf(number, &whole) == 0.0 && std::fabs(number) < 9.0e15) {
        out += QByteArray::number(static_cast<qint64>(number));
    } else {
        out += QByteArray::number(number, 'g', 17);
    }
}

void write(QByteArray& out, const QJsonValue& value, JsonWriter::Slashes slashes, int indent, bool pretty)
{
    const char* newline = pretty ? "\n" : "";
    const auto pad = [&](int level) {
        if (pretty) {
            out.append(static_cast<qsizetype>(level) * 2, ' ');
        }
    };
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out += "null";
        break;
    case QJsonValue::Bool:
        out += value.toBool() ? "true" : "false";
        break;
    case QJsonValue::Double:
        writeNumber(out, value.toDouble());
        break;
    case QJsonValue::String:
        appendString(out, value.toString(), slashes);
        break;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        out += '[';
        out += newline;
        if (array.isEmpty()) {
            out += newline;
        }
        for (qsizetype i = 0; i < array.size(); ++i) {
            pad(indent + 1);
            write(out, array.at(i), slashes, indent + 1, pretty);
            if (i + 1 < array.size()) {
                out += ',';
            }
            out += newline;
        }
        pad(indent);
        out += ']';
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        QStringList keys = object.keys();
        std::sort(keys.begin(), keys.end());
        out += '{';
        out += newline;
        if (keys.isEmpty()) {
            out += newline;
        }
        for (qsizetype i = 0; i < keys.size(); ++i) {
            pad(indent + 1);
            appendString(out, keys.at(i), slashes);
            out += pretty ? " : " : ":";
            write(out, object.value(keys.at(i)), slashes, indent + 1, pretty);
            if (i + 1 < keys.size()) {
                out += ',';
            }
            out += newline;
        }
        pad(indent);
        out += '}';
        break;
    }
    }
}

} // namespace

QByteArray JsonWriter::pretty(const QJsonValue& value, Slashes slashes)
{
    QByteArray out;
    write(out, value, slashes, 0, true);
    return out;
}

QByteArray JsonWriter::compact(const QJsonValue& value, Slashes slashes)
{
    QByteArray out;
    write(out, value, slashes, 0, false);
    return out;
}
