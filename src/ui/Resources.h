#pragma once

/**
 * @brief The files bundled into the app (symbols and the app icon).
 *
 * They live in a static library, so nothing references them until they are registered;
 * every reader goes through here first.
 */
class Resources final
{
public:
    static void ensureRegistered();
};
