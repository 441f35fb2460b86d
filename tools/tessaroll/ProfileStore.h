#pragma once

#include <QString>
#include <QStringList>

/**
 * @brief The profiles on disk: one folder per profile, each of them a Codex home.
 *
 * Every identifier is checked before it is joined to a path, so nothing outside the profiles
 * folder (or the default Codex home) can be named through an identifier.
 */
class ProfileStore final
{
public:
    ProfileStore(const QString& root, const QString& defaultHome);

    /**
     * @brief The store the environment describes: $TESSAROLL_HOME, else the per-user data folder plus
     * "tessaroll/profiles"; the default profile is $CODEX_HOME, else ~/.codex.
     */
    static ProfileStore fromEnvironment();

    const QString& root() const { return m_root; }
    const QString& defaultHome() const { return m_defaultHome; }

    /**
     * @brief "default" first, then the profile folders by name; throws when the profiles folder cannot be
     * read.
     *
     * Also finishes removals that were interrupted, as remove() does.
     */
    QStringList list() const;
    /** @brief The folder of a profile whether or not it exists; throws for an invalid identifier. */
    QString folderOf(const QString& id) const;
    /** @brief The folder of an existing profile; the default home counts as existing. */
    QString existingFolder(const QString& id) const;
    /** @brief Creates the profile's folder (0700) unless it is there already. */
    void init(const QString& id) const;
    /**
     * @brief Deletes a profile's folder with everything in it; refuses the default profile.
     *
     * The folder is first renamed to a hidden name in the profiles folder, so a failure leaves the
     * profile either whole or out of the list, never listed with half of its files.
     */
    void remove(const QString& id) const;

private:
    /** @brief Deletes what interrupted removals left among these names of the profiles folder. */
    void finishRemovals(const QStringList& names) const;

    QString m_root;
    QString m_defaultHome;
};
