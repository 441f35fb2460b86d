#pragma once

#include <QLatin1String>
#include <QString>

/** @brief The rules a profile identifier must pass before it names anything on disk. */
class ProfileID final
{
public:
    /** @brief The user's own Codex home, which every installation has. */
    static constexpr QLatin1String Default{"default"};
    static constexpr qsizetype MaxLength = 128;

    /** @brief ASCII letters, digits, '.', '_' and '-', not first '.' or '-', 1 to 128 characters. */
    static bool isValid(const QString& id);
    /** @brief Throws a usage error naming the identifier when it is not valid. */
    static void require(const QString& id);
    /** @brief The identifier fit for a one-line message: control characters escaped, long ones cut. */
    static QString printable(const QString& id);
};
