#include "JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// ASCII characters written as they are: everything from the blank up, except the quote, the
// backslash and the slash (which the data files escape).
constexpr bool isPlainAscii(char16_t c)
{
    return c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\' && c != u'/';
}

// Copies the plain ASCII at the start of `from` to `to` in blocks of eight units, as far as
// whole blocks go, and returns how many units it copied (advancing `to`); the caller takes the
// rest one unit at a time. Texts are mostly plain ASCII, and this is most of their cost.
qsizetype copyPlainAscii(const char16_t* from, qsizetype count, char*& to)
{
    qsizetype copied = 0;
#ifdef __SSE2__
    for (; copied + 8 <= count; copied += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + copied));
        // Compared as signed numbers, units from 0x8000 up are negative, so below 0x20 as well.
        const __m128i outside = _mm_or_si128(_mm_cmplt_epi16(units, _mm_set1_epi16(0x20)),
                                             _mm_cmpgt_epi16(units, _mm_set1_epi16(0x7f)));
        const __m128i escaped = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(u'"')),
                                                          _mm_cmpeq_epi16(units, _mm_set1_epi16(u'\\'))),
                                             _mm_cmpeq_epi16(units, _mm_set1_epi16(u'/')));
        if (_mm_movemask_epi8(_mm_or_si128(outside, escaped)) != 0) {
            break;
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_packus_epi16(units, units));
        to += 8;
    }
#else
    Q_UNUSED(from);
    Q_UNUSED(count);
    Q_UNUSED(to);
#endif
    return copied;
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

} // namespace

void JsonWriter::appendString(QByteArray& out, QStringView text, Slashes slashes)
{
    // Room for the worst case is made once and the unused part given back at the end.
    const qsizetype start = out.size();
    out.resize(start + maxStringSize(text.size()));
    char* const first = out.data() + start;
    out.resize(start + (writeString(first, text, slashes) - first));
}

char* JsonWriter::writeString(char* to, QStringView text, Slashes slashes)
{
    // Long lists of records are written through here, so the text is turned into UTF-8 and
    // escaped in one pass, straight into the output.
    constexpr char hex[] = "0123456789abcdef";
    const auto escapeUnit = [&to, &hex](char16_t unit) {
        *to++ = '\\';
        *to++ = 'u';
        *to++ = hex[(unit >> 12) & 0xf];
        *to++ = hex[(unit >> 8) & 0xf];
        *to++ = hex[(unit >> 4) & 0xf];
        *to++ = hex[unit & 0xf];
    };
    const auto escapeAs = [&to](char letter) {
        *to++ = '\\';
        *to++ = letter;
    };
    *to++ = '"';
    const char16_t* const chars = text.utf16();
    const qsizetype size = text.size();
    // Whether a run of plain ASCII starts here, which is then tried in blocks.
    bool runStart = true;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        if (isPlainAscii(c)) {
            if (runStart) {
                runStart = false;
                const qsizetype copied = copyPlainAscii(chars + i, size - i, to);
                if (copied > 0) {
                    i += copied - 1;
                    continue;
                }
            }
            *to++ = static_cast<char>(c);
            continue;
        }
        runStart = true;
        if (c < 0x80) {
            switch (c) {
            case u'"':
                escapeAs('"');
                break;
            case u'\\':
                escapeAs('\\');
                break;
            case u'/':
                if (slashes == Slashes::Escaped) {
                    *to++ = '\\';
                }
                *to++ = '/';
                break;
            case u'\b':
                escapeAs('b');
                break;
            case u'\f':
                escapeAs('f');
                break;
            case u'\n':
                escapeAs('n');
                break;
            case u'\r':
                escapeAs('r');
                break;
            case u'\t':
                escapeAs('t');
                break;
            default:
                escapeUnit(c);
            }
        } else if (c < 0x800) {
            *to++ = static_cast<char>(0xc0 | (c >> 6));
            *to++ = static_cast<char>(0x80 | (c & 0x3f));
        } else if (!QChar::isSurrogate(c)) {
            *to++ = static_cast<char>(0xe0 | (c >> 12));
            *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            *to++ = static_cast<char>(0x80 | (c & 0x3f));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(chars[i + 1])) {
            const char32_t u = QChar::surrogateToUcs4(c, chars[++i]);
            *to++ = static_cast<char>(0xf0 | (u >> 18));
            *to++ = static_cast<char>(0x80 | ((u >> 12) & 0x3f));
            *to++ = static_cast<char>(0x80 | ((u >> 6) & 0x3f));
            *to++ = static_cast<char>(0x80 | (u & 0x3f));
        } else {
            // A lone surrogate (read from a "\udc00" escape) has no UTF-8 form and would come
            // back as U+FFFD: it is written as the same escape, so the text reads back unchanged.
            escapeUnit(c);
        }
    }
    *to++ = '"';
    return to;
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
