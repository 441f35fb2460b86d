#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

/** @brief ISO 8601 internet date-time in UTC with whole seconds: 2026-03-01T09:30:00Z. */
namespace IsoDate {
/** @brief Formats in UTC; a fractional second is dropped (truncated). */
QString format(const QDateTime& date);
/**
 * @brief Accepts only YYYY-MM-DDTHH:MM:SSZ with ASCII digits and fields in range; anything
 * else (fraction, offset, no zone, lower-case letters) fails, though QDateTime would take it.
 */
std::optional<QDateTime> parse(const QString& text);
/** @brief The platform's distant past: 1 January of year 1, 00:00:00 UTC. */
QDateTime distantPast();
/** @brief The current time in UTC. */
QDateTime now();
} // namespace IsoDate
