#pragma once

#include <QString>

// How a name, identifier, path or core value is put on screen. Only the shown text changes; what
// is stored, edited or copied stays the real value.
namespace DisplayText {

// Longest text shown whole; a longer one is cut there and ends in "…".
inline constexpr qsizetype maxShownLength = 1000;

// Replaces every character that reorders the text around it (the bidirectional marks,
// embeddings, overrides and isolates) with a visible escape such as <U+202E>.
QString escaped(const QString& text);

// Keeps the first maxShownLength characters and adds "…", never splitting a surrogate pair.
QString cut(const QString& text);

// Escapes, then cuts: the text as every view shows it.
QString shown(const QString& text);

} // namespace DisplayText
