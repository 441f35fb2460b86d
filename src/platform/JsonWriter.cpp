#include "JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {

void writeString(QByteArray& out, const QString& text, JsonWriter::Slashes slashes)
{
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '/': out += slashes == JsonWriter::Slashes::Escaped ? "\\/" : "/"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                out += QByteArray("\\u00") + QByteArray::number(byte, 16).rightJustified(2, '0');
            } else {
                out += c;
            }
        }
    }
    out += '"';
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
    const QByteArray newline = pretty ? "\n" : "";
    const auto pad = [&](int level) {
        if (pretty) {
            out += QByteArray(level * 2, ' ');
        }
    };
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined: out += "null"; break;
    case QJsonValue::Bool: out += value.toBool() ? "true" : "false"; break;
    case QJsonValue::Double: writeNumber(out, value.toDouble()); break;
    case QJsonValue::String: writeString(out, value.toString(), slashes); break;
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
            writeString(out, keys.at(i), slashes);
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
