#include "JsonWriter.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cmath>
#include <iterator>

namespace {

// Plain runs are copied as UTF-8; quotes, backslashes, control characters and unpaired
// surrogates are escaped the way QJsonDocument escapes them, and "/" as the data files want.
void appendString(QByteArray& out, const QString& text, JsonWriter::Slashes slashes)
{
    out += '"';
    qsizetype run = 0;
    const auto escape = [&](qsizetype at, const QByteArray& escaped) {
        out += QStringView(text).sliced(run, at - run).toUtf8();
        out += escaped;
        run = at + 1;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (QChar::isSurrogate(c)) {
            escape(i, "\\u" + QByteArray::number(c, 16));
        } else if (c == u'"' || c == u'\\') {
            escape(i, QByteArray(1, '\\') + static_cast<char>(c));
        } else if (c == u'/' && slashes == JsonWriter::Slashes::Escaped) {
            escape(i, "\\/");
        } else if (c < 0x20) {
            static const QHash<char16_t, QByteArray> named = {
                {u'\b', "\\b"}, {u'\f', "\\f"}, {u'\n', "\\n"}, {u'\r', "\\r"}, {u'\t', "\\t"}};
            escape(i, named.value(c, "\\u00" + QByteArray::number(c, 16).rightJustified(2, '0')));
        }
    }
    out += QStringView(text).sliced(run).toUtf8();
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
        // QJsonObject keeps its keys sorted, so walking it writes them in sorted order.
        const QJsonObject object = value.toObject();
        out += '{';
        out += newline;
        if (object.isEmpty()) {
            out += newline;
        }
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            pad(indent + 1);
            appendString(out, it.key(), slashes);
            out += pretty ? " : " : ":";
            write(out, it.value(), slashes, indent + 1, pretty);
            if (std::next(it) != object.constEnd()) {
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
