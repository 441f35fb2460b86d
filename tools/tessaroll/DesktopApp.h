#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringList>

#include <optional>

/**
 * @brief ChatGPT Desktop: where it is installed and how it is opened for one profile.
 *
 * Only macOS has ChatGPT Desktop. The system is a value here rather than a compile-time branch,
 * so the macOS rules can be exercised on any machine.
 */
class DesktopApp final
{
public:
    enum class System
    {
        MacOS,
        Linux,
    };

    struct Bundle
    {
        QString appPath;
        /** @brief The program inside the bundle, empty when the bundle has none we recognise. */
        QString executablePath;
    };

    static constexpr QLatin1String Product{"ChatGPT"};
    static constexpr QLatin1String BundleId{"com.openai.chat"};

    DesktopApp(System system, const QString& bundlePath);

    /** @brief This machine's app: /Applications/ChatGPT.app, or $TESSAROLL_DESKTOP_APP when set. */
    static DesktopApp forThisMachine();
    /** @brief The system this program was built for. */
    static System currentSystem();

    System system() const { return m_system; }
    const QString& bundlePath() const { return m_bundlePath; }

    /** @brief The installed bundle; absent when it is missing or the system has no ChatGPT Desktop. */
    std::optional<Bundle> locate() const;

    /**
     * @brief Arguments for /usr/bin/open. An isolated start is a new instance whose Codex home and
     * browser data live in the profile's folder; otherwise the user's usual instance is opened.
     */
    static QStringList openArguments(const QString& appPath, const QString& profileFolder, bool isolated);

private:
    System m_system;
    QString m_bundlePath;
};
