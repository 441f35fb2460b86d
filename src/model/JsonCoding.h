#pragma once

#include "CodexInstance.h"
#include "RecentProject.h"

#include <QByteArray>
#include <QList>

/**
 * @brief Coding of the stored values to and from file bytes, used by JSONFileStore<T>.
 *
 * encode writes the pretty, key-sorted form with "/" escaped; decode throws PlatformError
 * (saying what is wrong) for bytes that are not JSON or not of the value's shape.
 */
template <typename T> struct JsonCoding;

template <> struct JsonCoding<QList<CodexInstance>>
{
    static QByteArray encode(const QList<CodexInstance>& value);
    /** @brief Replaces `out`'s content with the encoded bytes, reusing its allocation. */
    static void encode(const QList<CodexInstance>& value, QByteArray& out);
    /** @brief InstanceListReader for the usual files; every other input goes to decodeGeneric. */
    static QList<CodexInstance> decode(const QByteArray& bytes);
    /** @brief Decoding through QJsonDocument: the reference for decode, and its error messages. */
    static QList<CodexInstance> decodeGeneric(const QByteArray& bytes);
};

template <> struct JsonCoding<QList<RecentProject>>
{
    static QByteArray encode(const QList<RecentProject>& value);
    /** @brief Replaces `out`'s content with the encoded bytes. */
    static void encode(const QList<RecentProject>& value, QByteArray& out);
    static QList<RecentProject> decode(const QByteArray& bytes);
};
