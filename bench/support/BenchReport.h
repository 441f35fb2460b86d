#pragma once

#include <QString>

/**
 * @brief What a harness hands to scripts/bench: "figure <name> <value>" lines on standard
 * output. Everything else a harness prints goes to standard error.
 */
namespace BenchReport {
void figure(const QString& name, double value);
/** @brief Prints the message on standard error and returns the exit status of a failed harness. */
int failed(const QString& message);
} // namespace BenchReport
