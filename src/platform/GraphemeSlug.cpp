#include "GraphemeSlug.h"

#include <QChar>
#include <QList>
#include <QStringView>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

char32_t codePointAt(QStringView text, qsizetype index)
{
    if (index + 1 < text.size() && text.at(index).isHighSurrogate() && text.at(index + 1).isLowSurrogate()) {
        return QChar::surrogateToUcs4(text.at(index), text.at(index + 1));
    }
    return text.at(index).unicode();
}

bool isRegionalIndicator(QStringView text, qsizetype index)
{
    const char32_t c = codePointAt(text, index);
    return c >= 0x1F1E6 && c <= 0x1F1FF;
}

// Where each grapheme cluster ends, as UTF-16 positions.
QList<qsizetype> clusterEnds(const QString& text)
{
    QList<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        ends.append(end);
    }
    // Qt 6.4 pairs the regional indicators of flags wrongly right after a pictographic character
    // ("👍🇨🇳" gives three clusters). Within a run of indicators, a cluster ends after every second one.
    qsizetype i = 0;
    while (i < text.size()) {
        if (!isRegionalIndicator(text, i)) {
            i += codePointAt(text, i) > 0xFFFF ? 2 : 1;
            continue;
        }
        const qsizetype start = i;
        while (i < text.size() && isRegionalIndicator(text, i)) {
            i += 2;
        }
        ends.removeIf([&](qsizetype end) { return end > start && end < i; });
        for (qsizetype end = start + 4; end < i; end += 4) {
            ends.append(end);
        }
        std::sort(ends.begin(), ends.end());
    }
    return ends;
}

bool isKept(QStringView cluster)
{
    const char32_t base = codePointAt(cluster, 0);
    return QChar::isLetterOrNumber(base) || base == U'-' || base == U'_';
}

} // namespace

QString GraphemeSlug::make(const QString& text, qsizetype maximumClusters)
{
    QString slug;
    qsizetype start = 0;
    for (const qsizetype end : clusterEnds(text)) {
        if (maximumClusters-- <= 0) {
            break;
        }
        const QStringView cluster = QStringView(text).mid(start, end - start);
        if (isKept(cluster)) {
            slug += cluster;
        } else {
            slug += QLatin1Char('-');
        }
        start = end;
    }
    return slug;
}
