#pragma once

#include <QString>

/**
 * @brief Which installed font draws the characters a font lacks.
 *
 * Qt asks the system for such a font the first time a character is missing. On Linux that is
 * fontconfig, whose answer follows the locale: under an English locale Chinese text falls back
 * to a Japanese design. Where the system chooses fallbacks by itself (macOS), nothing is done.
 */
namespace FontFallback {
/**
 * @brief Makes `fallback` the first font tried for the characters `family` lacks, in this
 * process only. Call it once per pair, before such a character is drawn.
 * @return false when there is no font configuration to change, or it refused the rule.
 */
bool preferAfter(const QString& family, const QString& fallback);
} // namespace FontFallback
