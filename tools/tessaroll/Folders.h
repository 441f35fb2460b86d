#pragma once

#include <QString>
#include <QStringList>

/** @brief Creating private folders and removing folder trees without leaving them through links. */
class Folders final
{
public:
    /** @brief Creates the folder and any missing parents with mode 0700; an existing folder is kept as is. */
    static void createPrivate(const QString& path);
    /** @brief True when the path is a folder itself, not a file or a symbolic link to a folder. */
    static bool isRealFolder(const QString& path);
    /**
     * @brief The names of the real folders directly inside path, in no particular order.
     *
     * A path that does not exist holds none; one that cannot be read throws with the system's reason.
     */
    static QStringList subfolders(const QString& path);
    /**
     * @brief Removes the folder and everything below it.
     *
     * Symbolic links inside are deleted as links; what they point at is never touched, so a link
     * to the user's home cannot turn the removal of one profile into the removal of other data.
     */
    static void removeTree(const QString& path);
};
