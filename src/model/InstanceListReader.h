#pragma once

#include "CodexInstance.h"

#include <QByteArrayView>
#include <QList>

#include <optional>

/**
 * @brief Reads the instance file's bytes straight into records, for files of the usual kind.
 *
 * It takes a strict part of JSON: one array of objects, each holding the six known keys at
 * most once and only with text values; texts in valid UTF-8 without raw control characters,
 * with the escapes of RFC 8259 only; any JSON white space between the tokens, and nothing
 * before or after the array (no byte order mark). Every value must also be valid for its key.
 *
 * Anything else gives no result at all, not an error: the caller then reads the bytes the
 * general way (QJsonDocument), which also says what is wrong. Whenever a result is given it
 * equals the general way's.
 */
namespace InstanceListReader {
std::optional<QList<CodexInstance>> read(QByteArrayView bytes);
} // namespace InstanceListReader
