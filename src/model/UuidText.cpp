#include "UuidText.h"

namespace {

constexpr qsizetype textLength = 36;

// The value of a hexadecimal digit, or -1 (digits of other scripts are not digits).
int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// QUuid::fromString also takes braces and shorter forms; records and profile identifiers only
// ever hold the bare 8-4-4-4-12 form, so anything else is refused. The digits are read here as
// well: the instance list holds one identifier per record, and its text need not become a
// QString first.
template <typename Text> std::optional<QUuid> parseBare(const Text& text)
{
    if (text.size() != textLength) {
        return std::nullopt;
    }
    // The 16 bytes in the order the text gives them.
    uchar bytes[16] = {};
    int nibbles = 0;
    for (qsizetype i = 0; i < textLength; ++i) {
        const char16_t c = static_cast<char16_t>(text[i].unicode());
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != u'-') {
                return std::nullopt;
            }
            continue;
        }
        const int value = hexValue(c);
        if (value < 0) {
            return std::nullopt;
        }
        bytes[nibbles / 2] = static_cast<uchar>((bytes[nibbles / 2] << 4) | value);
        ++nibbles;
    }
    const auto word = [&bytes](int at, int count) {
        uint value = 0;
        for (int i = at; i < at + count; ++i) {
            value = (value << 8) | bytes[i];
        }
        return value;
    };
    return QUuid(word(0, 4), static_cast<ushort>(word(4, 2)), static_cast<ushort>(word(6, 2)), bytes[8],
                 bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
}

} // namespace

std::optional<QUuid> UuidText::parse(const QString& text)
{
    return parseBare(text);
}

std::optional<QUuid> UuidText::parse(QLatin1String text)
{
    return parseBare(text);
}

QString UuidText::upper(const QUuid& uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

char* UuidText::writeUpper(char* to, const QUuid& uuid)
{
    constexpr char digits[] = "0123456789ABCDEF";
    const auto putByte = [&to, &digits](uchar byte) {
        *to++ = digits[byte >> 4];
        *to++ = digits[byte & 0xf];
    };
    const uchar bytes[16] = {
        static_cast<uchar>(uuid.data1 >> 24),
        static_cast<uchar>(uuid.data1 >> 16),
        static_cast<uchar>(uuid.data1 >> 8),
        static_cast<uchar>(uuid.data1),
        static_cast<uchar>(uuid.data2 >> 8),
        static_cast<uchar>(uuid.data2),
        static_cast<uchar>(uuid.data3 >> 8),
        static_cast<uchar>(uuid.data3),
        uuid.data4[0],
        uuid.data4[1],
        uuid.data4[2],
        uuid.data4[3],
        uuid.data4[4],
        uuid.data4[5],
        uuid.data4[6],
        uuid.data4[7],
    };
    for (int i = 0; i < 4; ++i) {
        putByte(bytes[i]);
    }
    for (int group = 4; group < 10; group += 2) {
        *to++ = '-';
        putByte(bytes[group]);
        putByte(bytes[group + 1]);
    }
    *to++ = '-';
    for (int i = 10; i < 16; ++i) {
        putByte(bytes[i]);
    }
    return to;
}

QString UuidText::lower(const QUuid& uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toLower();
}
