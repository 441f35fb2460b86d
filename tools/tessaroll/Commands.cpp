#include "Commands.h"

#include "AccountProbe.h"
#include "CodexCli.h"
#include "Doctor.h"
#include "Folders.h"
#include "ProfileID.h"
#include "ToolError.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>

#include <cstdio>

namespace {
constexpr auto UsageText =
    "usage: tessaroll version | list | doctor --json | init <id> | path <id> | "
    "remove <id> --yes | cli <id> [codex arguments...] | app <id> | account <id> --json | "
    "login <id> [codex login arguments...]";

ToolError usageError(const QString& problem)
{
    return ToolError(problem + QStringLiteral("; ") + QLatin1String(UsageText), ToolError::Usage);
}

void print(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

void printLine(const QString& text)
{
    print(QFile::encodeName(text) + '\n');
}

// Waits for /usr/bin/open only, which returns as soon as the app has been asked to start.
void runOpen(const QStringList& arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("/usr/bin/open"), arguments);
    if (!process.waitForStarted() || !process.waitForFinished(60000)) {
        process.kill();
        throw ToolError(QStringLiteral("cannot start ChatGPT Desktop: %1").arg(process.errorString()));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString reason =
            QString::fromLocal8Bit(process.readAllStandardError()).trimmed().section(u'\n', 0, 0);
        throw ToolError(QStringLiteral("cannot start ChatGPT Desktop (open exited with %1)%2")
                            .arg(QString::number(process.exitCode()),
                                 reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
    }
}
} // namespace

Commands::Commands(const ProfileStore& store, const DesktopApp& desktop)
    : m_store(store)
    , m_desktop(desktop)
{}

int Commands::run(const QByteArrayList& arguments)
{
    if (arguments.isEmpty()) {
        throw usageError(QStringLiteral("missing command"));
    }
    QStringList args;
    for (const QByteArray& argument : arguments) {
        args.append(QString::fromLocal8Bit(argument));
    }
    const QString command = args.takeFirst();
    const auto argumentCount = args.size();

    if (command == QLatin1String("version") && argumentCount == 0) {
        print(QByteArray("tessaroll ") + Version + '\n');
        return 0;
    }
    if (command == QLatin1String("list") && argumentCount == 0) {
        return list();
    }
    if (command == QLatin1String("doctor") && (argumentCount == 0 || args == QStringList{"--json"})) {
        return doctor();
    }
    if (command == QLatin1String("init") && argumentCount == 1) {
        return init(args.first());
    }
    if (command == QLatin1String("path") && argumentCount == 1) {
        return path(args.first());
    }
    if (command == QLatin1String("remove") && argumentCount >= 1) {
        return remove(args);
    }
    if (command == QLatin1String("cli") && argumentCount >= 1) {
        // Pass the CLI's arguments on byte for byte, whatever their encoding.
        return cli(args.first(), arguments.mid(2));
    }
    if (command == QLatin1String("app") && argumentCount == 1) {
        return app(args.first());
    }
    if (command == QLatin1String("account") &&
        (argumentCount == 1 || (argumentCount == 2 && args[1] == "--json"))) {
        return account(args.first());
    }
    if (command == QLatin1String("login") && argumentCount >= 1) {
        return cli(args.first(), QByteArrayList{"login"} + arguments.mid(2));
    }
    if (command == QLatin1String("help") || command == QLatin1String("--help")) {
        printLine(QLatin1String(UsageText));
        return 0;
    }
    const bool known =
        QStringList{"version", "list", "doctor", "init", "path", "remove", "cli", "app", "account", "login"}
            .contains(command);
    throw usageError(known ? QStringLiteral("wrong arguments for \"%1\"").arg(command)
                           : QStringLiteral("unknown command \"%1\"").arg(ProfileID::printable(command)));
}

int Commands::list() const
{
    for (const QString& id : m_store.list()) {
        printLine(id);
    }
    return 0;
}

int Commands::init(const QString& id) const
{
    m_store.init(id);
    return 0;
}

int Commands::remove(QStringList arguments) const
{
    const bool confirmed = arguments.removeAll(QStringLiteral("--yes")) > 0;
    if (arguments.size() != 1) {
        throw usageError(QStringLiteral("wrong arguments for \"remove\""));
    }
    const QString& id = arguments.first();
    ProfileID::require(id);
    if (!confirmed) {
        throw ToolError(QStringLiteral("refusing to remove profile \"%1\" without --yes").arg(id),
                        ToolError::Usage);
    }
    m_store.remove(id);
    return 0;
}

int Commands::path(const QString& id) const
{
    printLine(m_store.existingFolder(id));
    return 0;
}

QString Commands::codexHome(const QString& id) const
{
    const QString folder = m_store.existingFolder(id);
    if (id == ProfileID::Default) {
        // Codex refuses a CODEX_HOME that does not exist; without us it would have made ~/.codex itself.
        m_store.init(id);
    }
    return folder;
}

int Commands::account(const QString& id) const
{
    const AccountProbe probe(
        CodexCli::locate(), codexHome(id), QLatin1String(Version),
        CodexCli::timeoutFromEnvironment("TESSAROLL_ACCOUNT_TIMEOUT_MS", std::chrono::seconds(20)));
    print(QJsonDocument(probe.read()).toJson(QJsonDocument::Indented));
    return 0;
}

int Commands::cli(const QString& id, const QByteArrayList& codexArguments) const
{
    const QString folder = codexHome(id);
    const QString executable = CodexCli::locate();
    if (executable.isEmpty()) {
        throw ToolError(QStringLiteral("the Codex CLI (codex) was not found on PATH; install it with "
                                       "\"npm install -g @openai/codex\""),
                        ToolError::CommandNotFound);
    }
    CodexCli::exec(executable, folder, codexArguments);
}

int Commands::app(const QString& id) const
{
    const QString folder = m_store.existingFolder(id);
    if (m_desktop.system() != DesktopApp::System::MacOS) {
        throw ToolError(QStringLiteral("ChatGPT Desktop is not available on Linux"));
    }
    const auto bundle = m_desktop.locate();
    if (!bundle) {
        throw ToolError(
            QStringLiteral("ChatGPT Desktop is not installed (looked for %1)").arg(m_desktop.bundlePath()));
    }
    const bool isolated = id != ProfileID::Default;
    if (isolated) {
        Folders::createPrivate(folder + QStringLiteral("/desktop"));
    }
    runOpen(DesktopApp::openArguments(bundle->appPath, folder, isolated));
    return 0;
}

int Commands::doctor() const
{
    const Doctor doctor(
        m_desktop, CodexCli::timeoutFromEnvironment("TESSAROLL_DOCTOR_TIMEOUT_MS", std::chrono::seconds(5)));
    print(QJsonDocument(doctor.report()).toJson(QJsonDocument::Indented));
    return 0;
}
