#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/**
 * @brief Finds an installed Visual Studio Code application folder.
 *
 * Each platform has a fixed, ordered list of places; the first application folder that holds
 * VS Code's executable wins. Everything takes the platform, the file-system root and the home
 * folder as arguments, so both platforms' searches can be exercised in a temporary folder.
 *
 * macOS: "/Applications/Visual Studio Code.app", then "~/Applications/Visual Studio Code.app",
 * executable "Contents/MacOS/Code".
 * Linux: "/usr/share/code" (deb and rpm packages), "/opt/visual-studio-code" (Arch packages),
 * "/snap/code/current/usr/share/code" (snap), "~/.local/share/code", "~/VSCode-linux-x64"
 * (the tarball unpacked in the home folder), executable "code".
 */
class VSCodeLocator final
{
public:
    enum class Platform
    {
        MacOS,
        Linux,
    };

    /** @brief The platform this program was built for. */
    static Platform hostPlatform();

    /** @brief The application folders to try, in order; root-relative ones are under `root`. */
    static QStringList candidates(Platform platform, const QString& root, const QString& home);

    /** @brief What a user without VS Code is told: where to put it on macOS, to install it on Linux. */
    static QString notInstalledMessage(Platform platform);
    /** @brief VS Code's executable inside an application folder. */
    static QString executable(Platform platform, const QString& application);

    /** @brief The first candidate that is a folder with an executable file inside, else absent. */
    static std::optional<QString> find(Platform platform, const QString& root, const QString& home);

private:
    VSCodeLocator() = delete;
};
