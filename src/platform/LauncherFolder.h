#pragma once

#include <QByteArray>
#include <QString>

/**
 * @brief The private folder that holds the one-shot terminal launcher scripts.
 *
 * macOS: "Marlvane-Launchers" in the per-user temporary folder (itself private to the user),
 * created with 0700 when missing and used as it is when present.
 * Linux: "marlvane-launchers" in the user's runtime folder. The temporary folder is shared by
 * all users there, so the script never goes to a fixed name in it; and a launcher folder that
 * someone else could have created, can enter, or that points elsewhere is refused.
 *
 * Every failure throws PlatformError with a description the user can read.
 */
class LauncherFolder final
{
public:
    /** @brief The folder of the running system, created when missing. */
    static LauncherFolder prepare();
    /** @brief The macOS folder inside `temporaryDirectory`. */
    static LauncherFolder prepareMacOS(const QString& temporaryDirectory);
    /**
     * @brief The Linux folder inside `runtimeDirectory` (empty: there is no private runtime
     * folder). An existing folder must be a real folder owned by the user with no access for
     * group or others.
     */
    static LauncherFolder prepareLinux(const QString& runtimeDirectory);

    const QString& path() const { return m_path; }

    /**
     * @brief Creates the new file `fileName` in the folder with mode 0700 and `content`, flushed
     * to disk. Never follows a symbolic link and never replaces an existing file; a partly
     * written file is removed again. Returns the file's path.
     */
    QString createScript(const QString& fileName, const QByteArray& content) const;

private:
    explicit LauncherFolder(QString path);

    QString m_path;
};
