#include "VSCodeLocator.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString under(const QString& base, const QString& relative)
{
    return QDir::cleanPath(base + QLatin1Char('/') + relative);
}

} // namespace

VSCodeLocator::Platform VSCodeLocator::hostPlatform()
{
#ifdef Q_OS_MACOS
    return Platform::MacOS;
#else
    return Platform::Linux;
#endif
}

QString VSCodeLocator::notInstalledMessage(Platform platform)
{
    if (platform == Platform::MacOS) {
        return QStringLiteral("未检测到 Visual Studio Code，请先将它安装到“应用程序”文件夹。");
    }
    // Linux has no "Applications" folder: VS Code comes from a package or a tarball.
    return QStringLiteral("未检测到 Visual Studio Code，请先安装它。");
}

QStringList VSCodeLocator::candidates(Platform platform, const QString& root, const QString& home)
{
    switch (platform) {
    case Platform::MacOS:
        return {
            under(root, QStringLiteral("Applications/Visual Studio Code.app")),
            under(home, QStringLiteral("Applications/Visual Studio Code.app")),
        };
    case Platform::Linux:
        // System packages first, then copies the user installed without administrator rights.
        // Remote-server folders such as ~/.vscode-server hold no desktop VS Code.
        return {
            under(root, QStringLiteral("usr/share/code")),
            under(root, QStringLiteral("opt/visual-studio-code")),
            under(root, QStringLiteral("snap/code/current/usr/share/code")),
            under(home, QStringLiteral(".local/share/code")),
            under(home, QStringLiteral("VSCode-linux-x64")),
        };
    }
    return {};
}

QString VSCodeLocator::executable(Platform platform, const QString& application)
{
    switch (platform) {
    case Platform::MacOS:
        return under(application, QStringLiteral("Contents/MacOS/Code"));
    case Platform::Linux:
        return under(application, QStringLiteral("code"));
    }
    return {};
}

std::optional<QString> VSCodeLocator::find(Platform platform, const QString& root, const QString& home)
{
    for (const QString& application : candidates(platform, root, home)) {
        if (!QFileInfo(application).isDir()) {
            continue;
        }
        const QFileInfo program(executable(platform, application));
        if (program.isFile() && program.isExecutable()) {
            return application;
        }
    }
    return std::nullopt;
}
