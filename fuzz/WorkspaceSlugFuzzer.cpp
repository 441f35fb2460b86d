// The workspace file's slug on arbitrary text: a file-name-safe tag of at most 48 user-perceived
// characters that can never name another folder ("/", "..") or hide a control character.

#include "FuzzCheck.h"
#include "GraphemeSlug.h"

#include <QTextBoundaryFinder>

#include <cstdint>

namespace {

qsizetype clusters(const QString& text)
{
    qsizetype count = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString slug = GraphemeSlug::make(text, 48);
    FUZZ_REQUIRE(slug.size() <= text.size());
    FUZZ_REQUIRE(text.isEmpty() == slug.isEmpty());
    FUZZ_REQUIRE(!slug.contains(QLatin1Char('/')) && !slug.contains(QLatin1Char('.')));
    FUZZ_REQUIRE(!slug.contains(QLatin1Char('\\')) && !slug.contains(QLatin1Char(':')));
    for (const QChar c : slug) {
        FUZZ_REQUIRE(c.category() != QChar::Other_Control && !c.isSpace());
    }
    // Each cluster of the text gives one of the slug, so the cut keeps the slug short.
    FUZZ_REQUIRE(clusters(slug) <= 48);
    FUZZ_REQUIRE(GraphemeSlug::make(text, 0).isEmpty());
    FUZZ_REQUIRE(GraphemeSlug::make(slug, 48) == slug);
    return 0;
}
