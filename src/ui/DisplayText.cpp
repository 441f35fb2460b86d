#include "DisplayText.h"

#include <algorithm>

namespace {

bool reorders(char16_t unit)
{
    return unit == 0x200E || unit == 0x200F || (unit >= 0x202A && unit <= 0x202E) ||
           (unit >= 0x2066 && unit <= 0x2069);
}

} // namespace

namespace DisplayText {

QString escaped(const QString& text)
{
    const auto first =
        std::find_if(text.cbegin(), text.cend(), [](QChar c) { return reorders(c.unicode()); });
    if (first == text.cend()) {
        return text;
    }
    QString result;
    result.reserve(text.size() + 8);
    result.append(QStringView(text.cbegin(), first));
    for (auto it = first; it != text.cend(); ++it) {
        if (reorders(it->unicode())) {
            result.append(QStringLiteral("<U+%1>").arg(it->unicode(), 4, 16, QLatin1Char('0')).toUpper());
        } else {
            result.append(*it);
        }
    }
    return result;
}

QString cut(const QString& text)
{
    if (text.size() <= maxShownLength) {
        return text;
    }
    qsizetype length = maxShownLength;
    if (text.at(length - 1).isHighSurrogate() && text.at(length).isLowSurrogate()) {
        --length;
    }
    return text.first(length) + QChar(0x2026);
}

QString shown(const QString& text)
{
    // Cutting first bounds the work for a huge text; the escapes may lengthen it past the limit
    // again, so it is cut once more.
    return cut(escaped(cut(text)));
}

} // namespace DisplayText
