#include "DesktopApp.h"

#include <QFile>
#include <QFileInfo>

DesktopApp::DesktopApp(System system, const QString& bundlePath)
    : m_system(system)
    , m_bundlePath(bundlePath)
{}

DesktopApp DesktopApp::forThisMachine()
{
    QString bundlePath = QFile::decodeName(qgetenv("TESSAROLL_DESKTOP_APP"));
    if (bundlePath.isEmpty()) {
        bundlePath = QStringLiteral("/Applications/ChatGPT.app");
    }
    return DesktopApp(currentSystem(), bundlePath);
}

DesktopApp::System DesktopApp::currentSystem()
{
#ifdef Q_OS_MACOS
    return System::MacOS;
#else
    return System::Linux;
#endif
}

std::optional<DesktopApp::Bundle> DesktopApp::locate() const
{
    if (m_system != System::MacOS || !QFileInfo(m_bundlePath).isDir()) {
        return std::nullopt;
    }
    Bundle bundle{m_bundlePath, {}};
    const QFileInfo executable(m_bundlePath + QStringLiteral("/Contents/MacOS/") + Product);
    if (executable.isFile() && executable.isExecutable()) {
        bundle.executablePath = executable.filePath();
    }
    return bundle;
}

QStringList DesktopApp::openArguments(const QString& appPath, const QString& profileFolder, bool isolated)
{
    if (!isolated) {
        return {QStringLiteral("-a"), appPath};
    }
    // -n starts another instance even when one is running; Electron keeps everything it stores
    // under --user-data-dir, which is what separates one profile's app from another's.
    return {QStringLiteral("-n"),
            QStringLiteral("-a"),
            appPath,
            QStringLiteral("--env"),
            QStringLiteral("CODEX_HOME=") + profileFolder,
            QStringLiteral("--args"),
            QStringLiteral("--user-data-dir=") + profileFolder + QStringLiteral("/desktop")};
}
