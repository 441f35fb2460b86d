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
    static QList<CodexInstance> decode(const QByteArray& bytes);
};

template <> struct JsonCoding<QList<RecentProject>>
{
    static QByteArray encode(const QList<RecentProject>& value);
    static QList<RecentProject> decode(const QByteArray& bytes);
};
