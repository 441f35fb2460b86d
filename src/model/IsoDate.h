#pragma once

#include <QDateTime>
#include <QLatin1String>
#include <QString>

#include <optional>

/** @brief ISO 8601 internet date-time in UTC with whole seconds: 2026-03-01T09:30:00Z. */
namespace IsoDate {
/** @brief Formats in UTC; a fractional second is dropped (truncated). */
QString format(const QDateTime& date);
/** @brief The most bytes write() takes. */
constexpr qsizetype maxLength = 72;
/** @brief Writes format()'s text, which is always ASCII, at `to`; returns the end of it. */
char* write(char* to, const QDateTime& date);
/** @brief Accepts only YYYY-MM-DDTHH:MM:SSZ; anything else (fraction, offset, no zone) fails. */
std::optional<QDateTime> parse(const QString& text);
/** @brief The same rule applied to bytes (a view into a file being read), one byte a character. */
std::optional<QDateTime> parse(QLatin1String text);
/** @brief The platform's distant past: 1 January of year 1, 00:00:00 UTC. */
QDateTime distantPast();
/** @brief The current time in UTC. */
QDateTime now();
} // namespace IsoDate
