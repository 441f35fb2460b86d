#pragma once

#include <QByteArrayView>
#include <QString>

/**
 * @brief The 64-bit FNV-1a hash: a stable, dependency-free name for a byte string.
 *
 * Offset basis 0xcbf29ce484222325, prime 0x100000001b3, wrapping modulo 2^64. Not a
 * cryptographic hash: it only keeps file names of different inputs apart.
 */
namespace Fnv1a {
quint64 hash64(QByteArrayView bytes);
/** @brief hash64 in lower-case hexadecimal without leading zeros. */
QString hex64(QByteArrayView bytes);
} // namespace Fnv1a
