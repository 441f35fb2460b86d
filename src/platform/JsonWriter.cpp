#include "JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {

// ASCII characters written as they are: everything from the blank up, except the quote, the
// backslash and the slash (which the data files escape).
constexpr bool isPlainAscii(char16_t c)
{
    return c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\' && c != u'/';
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
        JsonWriter::appendString(out, value.toString(), slashes);
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
            JsonWriter::appendString(out, keys.at(i), slashes);
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

// The index of the first surrogate at or after `from` that is not half of a pair, or -1.
qsizetype nextLoneSurrogate(QStringView text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!c.isSurrogate()) {
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}

} // namespace

void JsonWriter::appendString(QByteArray& out, QStringView text, Slashes slashes)
{
    // A lone surrogate (read from a "\udc00" escape) has no UTF-8 form and would come back as
    // U+FFFD: it is written as the same escape instead, so the text reads back unchanged. The
    // pieces between lone surrogates have none and take the usual way below.
    qsizetype lone = nextLoneSurrogate(text, 0);
    if (lone >= 0) {
        out += '"';
        qsizetype start = 0;
        for (; lone >= 0; lone = nextLoneSurrogate(text, start)) {
            QByteArray piece;
            appendString(piece, text.sliced(start, lone - start), slashes);
            out.append(piece.constData() + 1, piece.size() - 2);
            out += "\\u";
            out += QByteArray::number(text[lone].unicode(), 16);
            start = lone + 1;
        }
        QByteArray piece;
        appendString(piece, text.sliced(start), slashes);
        out.append(piece.constData() + 1, piece.size() - 2);
        out += '"';
        return;
    }
    // Long lists of records are written through here. Their texts are mostly plain ASCII, which
    // is copied straight from UTF-16; the rest goes through UTF-8 and is escaped in runs.
    out += '"';
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* const plain = out.data() + start;
    const char16_t* const chars = text.utf16();
    qsizetype copied = 0;
    for (; copied < text.size(); ++copied) {
        const char16_t c = chars[copied];
        if (c >= 0x80 || !isPlainAscii(c)) {
            break;
        }
        plain[copied] = static_cast<char>(c);
    }
    out.resize(start + copied);

    const QByteArray utf8 = text.sliced(copied).toUtf8();
    const char* run = utf8.constData();
    const char* const end = run + utf8.size();
    for (const char* at = run; at != end; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        if (byte >= 0x20 && byte != '"' && byte != '\\' && byte != '/') {
            continue;
        }
        out.append(run, at - run);
        run = at + 1;
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += slashes == Slashes::Escaped ? "\\/" : "/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += QByteArray("\\u00") + QByteArray::number(byte, 16).rightJustified(2, '0');
        }
    }
    out.append(run, end - run);
    out += '"';
}

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
