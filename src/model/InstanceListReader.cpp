#include "InstanceListReader.h"

#include "IsoDate.h"
#include "UuidText.h"

#include <QChar>
#include <QLatin1String>

#include <algorithm>
#include <climits>

namespace {

enum Key
{
    createdAtKey,
    displayNameKey,
    idKey,
    lastUsedAtKey,
    profileIdKey,
    typeKey,
    keyCount
};

constexpr unsigned bit(Key key)
{
    return 1u << key;
}

constexpr unsigned requiredKeys =
    bit(createdAtKey) | bit(displayNameKey) | bit(idKey) | bit(profileIdKey) | bit(typeKey);

/** @brief A text as it stands between its quotes in the file, escapes still in place. */
struct RawText
{
    const char* begin = nullptr;
    const char* end = nullptr;
    /** @brief Only ASCII and no escapes: each byte is one character as it is. */
    bool plain = true;

    QLatin1String latin1() const { return QLatin1String(begin, end - begin); }
};

int hexValue(uchar c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

class Cursor
{
public:
    Cursor(const char* begin, const char* end)
        : m_at(begin)
        , m_end(end)
    {}

    /** @brief Skips JSON white space; true when what follows is `token`, which is then taken. */
    bool take(char token)
    {
        skipSpace();
        if (m_at != m_end && *m_at == token) {
            ++m_at;
            return true;
        }
        return false;
    }

    bool atEndAfterSpace()
    {
        skipSpace();
        return m_at == m_end;
    }

    /**
     * @brief Takes a quoted text. Only finds its end: raw control characters are refused here,
     * escapes and UTF-8 are checked when the text is decoded.
     */
    bool text(RawText& raw)
    {
        if (!take('"')) {
            return false;
        }
        const char* const begin = m_at;
        bool plain = true;
        while (m_at != m_end) {
            const auto c = static_cast<uchar>(*m_at);
            if (c == '"') {
                raw = {begin, m_at, plain};
                ++m_at;
                return true;
            }
            if (c < 0x20) {
                return false;
            }
            if (c == '\\') {
                // The escaped byte is skipped, so an escaped quote does not end the text; the
                // text thereby always holds at least one byte after each backslash.
                plain = false;
                if (++m_at == m_end) {
                    return false;
                }
            } else if (c >= 0x80) {
                plain = false;
            }
            ++m_at;
        }
        return false;
    }

private:
    void skipSpace()
    {
        while (m_at != m_end && (*m_at == ' ' || *m_at == '\n' || *m_at == '\r' || *m_at == '\t')) {
            ++m_at;
        }
    }

    const char* m_at;
    const char* m_end;
};

std::optional<Key> keyOf(const RawText& name)
{
    static constexpr QLatin1String names[keyCount] = {
        QLatin1String("createdAt"),  QLatin1String("displayName"), QLatin1String("id"),
        QLatin1String("lastUsedAt"), QLatin1String("profileId"),   QLatin1String("type"),
    };
    if (!name.plain) {
        return std::nullopt;
    }
    const QLatin1String text = name.latin1();
    for (int key = 0; key < keyCount; ++key) {
        if (text == names[key]) {
            return static_cast<Key>(key);
        }
    }
    return std::nullopt;
}

// One character from UTF-8 as the general reader accepts it: shortest form, no surrogates,
// nothing above U+10FFFF (Unicode's table of well-formed byte sequences).
bool decodeUtf8(uchar lead, const uchar*& at, const uchar* end, char16_t*& to)
{
    char32_t u = 0;
    int continuation = 0;
    uchar low = 0x80;
    uchar high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        u = lead & 0x1f;
        continuation = 1;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        u = lead & 0x0f;
        continuation = 2;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        u = lead & 0x07;
        continuation = 3;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return false;
    }
    if (end - at < continuation || at[0] < low || at[0] > high) {
        return false;
    }
    for (int i = 0; i < continuation; ++i) {
        if ((at[i] & 0xc0) != 0x80) {
            return false;
        }
        u = (u << 6) | (at[i] & 0x3f);
    }
    at += continuation;
    if (u >= 0x10000) {
        *to++ = QChar::highSurrogate(u);
        *to++ = QChar::lowSurrogate(u);
    } else {
        *to++ = static_cast<char16_t>(u);
    }
    return true;
}

bool decodeEscape(const uchar*& at, const uchar* end, char16_t*& to)
{
    const uchar escaped = *at++;
    switch (escaped) {
    case '"':
    case '\\':
    case '/':
        *to++ = escaped;
        return true;
    case 'b':
        *to++ = u'\b';
        return true;
    case 'f':
        *to++ = u'\f';
        return true;
    case 'n':
        *to++ = u'\n';
        return true;
    case 'r':
        *to++ = u'\r';
        return true;
    case 't':
        *to++ = u'\t';
        return true;
    case 'u': {
        if (end - at < 4) {
            return false;
        }
        char16_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int value = hexValue(at[i]);
            if (value < 0) {
                return false;
            }
            unit = static_cast<char16_t>((unit << 4) | value);
        }
        at += 4;
        // As the general reader does, a lone surrogate stays in the text as it is.
        *to++ = unit;
        return true;
    }
    default:
        return false;
    }
}

bool decodeText(const RawText& raw, QString& out)
{
    if (raw.plain) {
        out = raw.latin1();
        return true;
    }
    // Every character takes at least as many bytes as it gives UTF-16 units.
    QString text(raw.end - raw.begin, Qt::Uninitialized);
    char16_t* const first = reinterpret_cast<char16_t*>(text.data());
    char16_t* to = first;
    const auto* at = reinterpret_cast<const uchar*>(raw.begin);
    const auto* const end = reinterpret_cast<const uchar*>(raw.end);
    while (at != end) {
        const uchar c = *at++;
        if (c < 0x80 && c != '\\') {
            *to++ = c;
        } else if (!(c == '\\' ? decodeEscape(at, end, to) : decodeUtf8(c, at, end, to))) {
            return false;
        }
    }
    text.resize(to - first);
    out = std::move(text);
    return true;
}

std::optional<QDateTime> dateOf(const RawText& raw)
{
    if (!raw.plain) {
        return std::nullopt;
    }
    return IsoDate::parse(raw.latin1());
}

bool readRecord(Cursor& cursor, CodexInstance& record)
{
    RawText values[keyCount];
    unsigned seen = 0;
    do {
        RawText name;
        if (!cursor.text(name)) {
            return false;
        }
        const std::optional<Key> key = keyOf(name);
        if (!key || (seen & bit(*key)) != 0) {
            return false;
        }
        seen |= bit(*key);
        if (!cursor.take(':') || !cursor.text(values[*key])) {
            return false;
        }
    } while (cursor.take(','));
    if (!cursor.take('}') || (seen & requiredKeys) != requiredKeys) {
        return false;
    }

    const RawText& id = values[idKey];
    const std::optional<QUuid> uuid = id.plain ? UuidText::parse(id.latin1()) : std::nullopt;
    if (!uuid) {
        return false;
    }
    record.id = *uuid;
    const QLatin1String type = values[typeKey].latin1();
    if (!values[typeKey].plain) {
        return false;
    }
    if (type == QLatin1String("desktop")) {
        record.type = CodexInstanceType::desktop;
    } else if (type == QLatin1String("cli")) {
        record.type = CodexInstanceType::cli;
    } else {
        return false;
    }
    std::optional<QDateTime> createdAt = dateOf(values[createdAtKey]);
    if (!createdAt) {
        return false;
    }
    record.createdAt = std::move(*createdAt);
    if ((seen & bit(lastUsedAtKey)) != 0) {
        record.lastUsedAt = dateOf(values[lastUsedAtKey]);
        if (!record.lastUsedAt) {
            return false;
        }
    }
    return decodeText(values[displayNameKey], record.displayName) &&
           decodeText(values[profileIdKey], record.profileId);
}

} // namespace

std::optional<QList<CodexInstance>> InstanceListReader::read(QByteArrayView bytes)
{
    // QJsonDocument reads at most INT_MAX bytes; a longer file is left to it as well.
    if (bytes.size() > INT_MAX) {
        return std::nullopt;
    }
    Cursor cursor(bytes.data(), bytes.data() + bytes.size());
    if (!cursor.take('[')) {
        return std::nullopt;
    }
    // Every record opens a brace, so their count bounds the list: one allocation, and no
    // records moved while it grows.
    QList<CodexInstance> records;
    records.reserve(std::count(bytes.begin(), bytes.end(), '{'));
    if (!cursor.take(']')) {
        do {
            if (!cursor.take('{') || !readRecord(cursor, records.emplaceBack())) {
                return std::nullopt;
            }
        } while (cursor.take(','));
        if (!cursor.take(']')) {
            return std::nullopt;
        }
    }
    if (!cursor.atEndAfterSpace()) {
        return std::nullopt;
    }
    return records;
}
