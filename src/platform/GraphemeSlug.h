#pragma once

#include <QString>

/**
 * @brief Turns a file name into a short, file-name-safe tag, counting user-perceived
 * characters (grapheme clusters), never bytes or UTF-16 units.
 *
 * A cluster whose base character is a Unicode letter or number is kept whole (with its
 * combining marks), "-" and "_" are kept, every other cluster (blank, dot, punctuation,
 * symbol, emoji, control character) becomes one "-". Runs are not collapsed, nothing is trimmed.
 */
namespace GraphemeSlug {
/** @brief The slug of `text`, cut after its first `maximumClusters` clusters. */
QString make(const QString& text, qsizetype maximumClusters);
} // namespace GraphemeSlug
