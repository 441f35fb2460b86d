#pragma once

#include "CodexInstance.h"

#include <QByteArray>
#include <QList>

#include <optional>

/**
 * @brief The lists the crash soak saves: generation k is a list of 1 + k % 40 records whose
 * every field derives from k, so a file's bytes alone tell which generation it holds and
 * whether it holds it completely.
 */
namespace SoakRecords {

using Instances = QList<CodexInstance>;

Instances generation(qint64 k);
/** @brief The generation a decoded list is, or nothing when it is none of them (0 = empty list). */
std::optional<qint64> generationOf(const Instances& list);
/** @brief The generation exactly these bytes encode, or nothing for any other bytes. */
std::optional<qint64> generationOfBytes(const QByteArray& bytes);

} // namespace SoakRecords
