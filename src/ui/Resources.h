#pragma once

#include <QByteArray>
#include <QString>

/**
 * @brief The files bundled into the app (symbols, app icon, UI fonts).
 *
 * They live in a static library, so nothing references them until they are registered;
 * every reader goes through here first.
 */
class Resources final
{
public:
    static void ensureRegistered();
    /** @brief A bundled file's bytes; files stored uncompressed are not copied. Empty when absent. */
    static QByteArray data(const QString& path);
};
