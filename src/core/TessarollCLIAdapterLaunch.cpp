// The three launches: ChatGPT Desktop through the core, the Codex CLI in a new terminal window
// through a self-deleting launcher script, and VS Code with the profile's own Codex home.
#include "TessarollCLIAdapter.h"

#include "AtomicFile.h"
#include "Background.h"
#include "FileOps.h"
#include "FilePath.h"
#include "Fnv1a.h"
#include "GraphemeSlug.h"
#include "JsonWriter.h"
#include "LauncherFolder.h"
#include "MarlvaneError.h"
#include "PlatformError.h"
#include "TerminalEmulator.h"
#include "UuidText.h"
#include "VSCodeWorkspaceDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QUuid>

#include <exception>

namespace {

constexpr qsizetype slugClusters = 48;

QString shellQuoted(const QString& value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Whether the text names exactly one file-system name. File dialogs turn bytes that are not
// UTF-8 into U+FFFD, and a NUL or an unpaired surrogate has no faithful encoding either: such a
// text would lead into some other folder, or none, so it is never used as a path.
bool isExactPath(const QString& path)
{
    if (path.contains(QChar(u'\0')) || path.contains(QChar(QChar::ReplacementCharacter))) {
        return false;
    }
    return QFile::decodeName(QFile::encodeName(path)) == path;
}

void requireProjectFolder(const QString& projectURL)
{
    if (projectURL.isEmpty() || !isExactPath(projectURL) || !QFileInfo(projectURL).isDir()) {
        throw MarlvaneError::projectMissing();
    }
}

// Relative paths are taken from the current folder. The launcher script relies on this: "cd"
// would look a relative name up in $CDPATH, and take "-" for the previous folder.
QString absolutePath(const QString& path)
{
    return QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
}

QString directoryPath(const QString& path)
{
    QString directory = absolutePath(path);
    while (directory.size() > 1 && directory.endsWith(QLatin1Char('/'))) {
        directory.chop(1);
    }
    return directory;
}

QString joinPath(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

struct TerminalLaunch
{
    TerminalEmulator terminal;
    QString launcher;
};

} // namespace

QCoro::Task<void> TessarollCLIAdapter::launchDesktop(QString profileID)
{
    const QStringList arguments{QStringLiteral("app"), profileID};
    co_await runCore(arguments, m_timeLimits.app);
}

QCoro::Task<void> TessarollCLIAdapter::launchCLI(QString profileID, QString projectURL)
{
    co_await launchInTerminal(std::move(profileID), std::move(projectURL), QStringLiteral("cli"));
}

QCoro::Task<void> TessarollCLIAdapter::launchLogin(QString profileID)
{
    co_await launchInTerminal(std::move(profileID), QDir::homePath(), QStringLiteral("login"));
}

QCoro::Task<void> TessarollCLIAdapter::launchInTerminal(QString profileID, QString projectURL,
                                                        QString command)
{
    auto prepare = [core = m_executableURL, profileID, projectURL, command] {
        requireProjectFolder(projectURL);
        if (!core) {
            throw MarlvaneError::coreNotFound();
        }
        std::optional<TerminalEmulator> terminal = TerminalEmulator::find();
        if (!terminal) {
            throw MarlvaneError::coreFailure(
                QStringLiteral("找不到终端程序。请安装 xterm 或设置 TERMINAL 环境变量。"));
        }
        const QString launcher =
            writeTerminalLauncher(*terminal, *core, profileID, absolutePath(projectURL), command);
        return TerminalLaunch{std::move(*terminal), launcher};
    };
    const TerminalLaunch launch = co_await Background::run(Background::sharedPool(), std::move(prepare));

    const QStringList arguments = launch.terminal.arguments(launch.launcher);
    const QMap<QString, QString> noAdditions;
    std::exception_ptr failure;
    try {
        if (launch.terminal.start() == TerminalEmulator::Start::awaitExit) {
            // macOS: "open" ends once Terminal has taken the script; its exit code is the verdict.
            const ProcessResult result =
                co_await m_runner.run(launch.terminal.program(), arguments, std::nullopt, noAdditions);
            if (result.exitCode != 0) {
                throw MarlvaneError::coreFailure(message(result));
            }
        } else {
            // Linux: an emulator may run as long as its window; that it started is the verdict.
            co_await m_runner.launchDetached(launch.terminal.program(), arguments, noAdditions);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        // Nobody will run the script now. Failing to remove it must not hide the real error.
        QFile::remove(launch.launcher);
        std::rethrow_exception(failure);
    }
}

QCoro::Task<void> TessarollCLIAdapter::launchVSCode(QString profileID, QString projectURL)
{
    auto findApplication = [projectURL, home = QDir::homePath()] {
        requireProjectFolder(projectURL);
        return resolveVSCodeApplication(home);
    };
    const std::optional<QString> application =
        co_await Background::run(Background::sharedPool(), std::move(findApplication));
    if (!application) {
        throw MarlvaneError::vscodeNotInstalled();
    }

    const QStringList pathArguments{QStringLiteral("path"), profileID};
    const ProcessResult result = co_await runCore(pathArguments, m_timeLimits.command);
    const QString printed = result.stdoutString().trimmed();
    if (printed.isEmpty() || !isExactPath(printed)) {
        throw MarlvaneError::coreFailure(QStringLiteral("无法解析 Profile 数据目录。"));
    }

    auto prepare = [project = absolutePath(projectURL), codexHome = directoryPath(printed)] {
        FileOps::real()->makePath(codexHome, 0700);
        const QString workspace = writeVSCodeWorkspace(project, codexHome);
        return vscodeArguments(workspace, codexHome);
    };
    const QStringList arguments = co_await Background::run(Background::sharedPool(), std::move(prepare));
    const QMap<QString, QString> noAdditions;
    co_await m_runner.launchDetached(vscodeExecutable(*application), arguments, noAdditions);
}

QString TessarollCLIAdapter::terminalLauncherScript(const TerminalEmulator& terminal,
                                                    const QString& launcherURL, const QString& coreURL,
                                                    const QString& profileID, const QString& projectURL,
                                                    const QString& command)
{
    // The script removes itself first, so it runs at most once, even when "cd" fails.
    return QStringLiteral("#!") + terminal.interpreter() + QStringLiteral("\n/bin/rm -f -- ") +
           shellQuoted(launcherURL) + QLatin1Char('\n') + QStringLiteral("cd -- ") + shellQuoted(projectURL) +
           QStringLiteral(" || exit 1\n") + QStringLiteral("exec /usr/bin/env TESSAROLL_NO_UPDATE_CHECK=1 ") +
           shellQuoted(coreURL) + QLatin1Char(' ') + command + QLatin1Char(' ') + shellQuoted(profileID) +
           QLatin1Char('\n');
}

QString TessarollCLIAdapter::writeTerminalLauncher(const TerminalEmulator& terminal, const QString& coreURL,
                                                   const QString& profileID, const QString& projectURL,
                                                   const QString& command)
{
    const LauncherFolder folder = LauncherFolder::prepare();
    const QString fileName =
        QStringLiteral("launch-") + UuidText::upper(QUuid::createUuid()) + QStringLiteral(".command");
    const QString script = terminalLauncherScript(terminal, joinPath(folder.path(), fileName), coreURL,
                                                  profileID, projectURL, command);
    return folder.createScript(fileName, script.toUtf8());
}

QString TessarollCLIAdapter::vscodeWorkspaceURL(const QString& projectURL, const QString& codexHomeURL)
{
    const QString component = FilePath::lastComponent(projectURL);
    const QString slug =
        component.isEmpty() ? QStringLiteral("project") : GraphemeSlug::make(component, slugClusters);
    const QString hash = Fnv1a::hex64(FilePath::standardised(projectURL).toUtf8());
    const QString folder = joinPath(codexHomeURL, QStringLiteral("marlvane-vscode-workspaces"));
    return joinPath(folder, slug + QLatin1Char('-') + hash + QStringLiteral(".code-workspace"));
}

QByteArray TessarollCLIAdapter::vscodeWorkspaceData(const QString& projectURL)
{
    VSCodeWorkspaceDocument document;
    document.folders.append(VSCodeWorkspaceDocument::Folder{FilePath::standardised(projectURL)});
    return document.encoded();
}

QString TessarollCLIAdapter::writeVSCodeWorkspace(const QString& projectURL, const QString& codexHomeURL)
{
    const QString location = vscodeWorkspaceURL(projectURL, codexHomeURL);
    const std::shared_ptr<FileOps> files = FileOps::real();
    files->makePath(QFileInfo(location).absolutePath(), 0700);
    const QByteArray bytes = vscodeWorkspaceData(projectURL);

    // An unchanged file keeps its modification time, so VS Code does not reload the workspace.
    std::optional<QByteArray> current;
    try {
        current = files->readAll(location);
    } catch (const PlatformError&) {
        // No readable file yet: write one.
    }
    if (current && *current == bytes) {
        return location;
    }
    AtomicFile::write(location, bytes, 0600, *files);
    files->chmod(location, 0600);
    return location;
}

QStringList TessarollCLIAdapter::vscodeArguments(const QString& workspaceURL, const QString& codexHomeURL)
{
    if (!codexHomeURL.isValidUtf16()) {
        throw MarlvaneError::coreFailure(QStringLiteral("无法生成 VS Code Codex 环境。"));
    }
    const QJsonObject environment{{QStringLiteral("CODEX_HOME"), codexHomeURL}};
    const QByteArray json = JsonWriter::compact(environment, JsonWriter::Slashes::Unescaped);
    return {QStringLiteral("--new-window"),
            QStringLiteral("--extensionEnvironment=") + QString::fromUtf8(json), workspaceURL};
}
