#include "TessarollCLIAdapter.h"

#include "Background.h"
#include "DoctorPayload.h"
#include "MarlvaneError.h"
#include "PlatformError.h"
#include "ProfileID.h"
#include "VSCodeLocator.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case 0x000A: // line feed
    case 0x000B: // vertical tab
    case 0x000C: // form feed
    case 0x000D: // carriage return (CR LF needs no special case: the empty piece is dropped)
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return false;
    }
}

QStringList nonEmptyLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || isLineBreak(text.at(i))) {
            if (i > start) {
                lines.append(text.mid(start, i - start));
            }
            start = i + 1;
        }
    }
    return lines;
}

} // namespace

const TessarollCLIAdapter::TimeLimits TessarollCLIAdapter::defaultTimeLimits{ProcessRunner::defaultTimeLimit,
                                                                             std::chrono::seconds(120)};

TessarollCLIAdapter::TessarollCLIAdapter(std::optional<QString> executableURL, ProcessRunner runner)
    : TessarollCLIAdapter(std::move(executableURL), runner, defaultTimeLimits)
{}

TessarollCLIAdapter::TessarollCLIAdapter(std::optional<QString> executableURL, ProcessRunner runner,
                                         TimeLimits timeLimits)
    : m_executableURL(std::move(executableURL))
    , m_runner(runner)
    , m_timeLimits(timeLimits)
{}

TessarollCLIAdapter TessarollCLIAdapter::located()
{
    return TessarollCLIAdapter(resolveExecutable(AppBundle::main()));
}

const QMap<QString, QString>& TessarollCLIAdapter::coreEnvironment()
{
    static const QMap<QString, QString> environment{
        {QStringLiteral("TESSAROLL_NO_UPDATE_CHECK"), QStringLiteral("1")},
        {QStringLiteral("DO_NOT_TRACK"), QStringLiteral("1")},
    };
    return environment;
}

std::optional<QString> TessarollCLIAdapter::resolveExecutable(const AppBundle& bundle)
{
    QStringList candidates;
    if (const auto bundled = bundle.pathForResource(QStringLiteral("tessaroll"), QStringLiteral("Core"))) {
        candidates.append(*bundled);
    }
    if (bundle.resourcePath) {
        candidates.append(*bundle.resourcePath + QStringLiteral("/tessaroll"));
    }
    candidates.append(QStringLiteral("/opt/homebrew/bin/tessaroll"));
    candidates.append(QStringLiteral("/usr/local/bin/tessaroll"));
    for (const QString& candidate : candidates) {
        if (isExecutableFile(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<QString> TessarollCLIAdapter::resolveVSCodeApplication(const QString& homeDirectory,
                                                                     const QString& root)
{
    return VSCodeLocator::find(VSCodeLocator::hostPlatform(), root, homeDirectory);
}

QString TessarollCLIAdapter::vscodeExecutable(const QString& application)
{
    return VSCodeLocator::executable(VSCodeLocator::hostPlatform(), application);
}

QString TessarollCLIAdapter::message(const ProcessResult& result)
{
    const QString errorText = result.stderrString().trimmed();
    if (!errorText.isEmpty()) {
        return errorText;
    }
    const QString outputText = result.stdoutString().trimmed();
    if (!outputText.isEmpty()) {
        return outputText;
    }
    return QStringLiteral("未知错误（退出码 %1）").arg(result.exitCode);
}

QStringList TessarollCLIAdapter::profileLines(const QString& output)
{
    return nonEmptyLines(output);
}

QCoro::Task<ProcessResult> TessarollCLIAdapter::runCore(QStringList arguments,
                                                        std::chrono::seconds timeLimit) const
{
    if (!m_executableURL) {
        throw MarlvaneError::coreNotFound();
    }
    const std::optional<QString> noDirectory;
    ProcessResult result =
        co_await m_runner.run(*m_executableURL, arguments, noDirectory, coreEnvironment(), timeLimit);
    if (result.exitCode != 0) {
        throw MarlvaneError::coreFailure(message(result));
    }
    co_return result;
}

QCoro::Task<QStringList> TessarollCLIAdapter::listProfiles()
{
    const QStringList arguments{QStringLiteral("list")};
    const ProcessResult result = co_await runCore(arguments, m_timeLimits.command);
    co_return profileLines(result.stdoutString());
}

QCoro::Task<void> TessarollCLIAdapter::createProfile(QString profileID)
{
    const QStringList arguments{QStringLiteral("init"), profileID};
    co_await runCore(arguments, m_timeLimits.command);
}

QCoro::Task<void> TessarollCLIAdapter::removeProfile(QString profileID)
{
    // The core's own profile is never removed, whatever state the core is in.
    if (profileID == ProfileID::builtIn()) {
        throw MarlvaneError::unmanagedProfile();
    }
    const QStringList arguments{QStringLiteral("remove"), profileID, QStringLiteral("--yes")};
    co_await runCore(arguments, m_timeLimits.command);
}

QCoro::Task<AccountStatus> TessarollCLIAdapter::accountStatus(QString profileID)
{
    const QStringList arguments{QStringLiteral("account"), profileID, QStringLiteral("--json")};
    QString reason;
    try {
        const ProcessResult result = co_await runCore(arguments, m_timeLimits.command);
        co_return AccountStatus::fromDocument(result.stdout);
    } catch (const MarlvaneError& error) {
        reason = error.errorDescription();
    } catch (const PlatformError& error) {
        reason = error.description();
    }
    co_return AccountStatus::unavailableBecause(reason);
}

QCoro::Task<EnvironmentReport> TessarollCLIAdapter::diagnose()
{
    if (!m_executableURL) {
        throw MarlvaneError::coreNotFound();
    }
    const QString executable = *m_executableURL;
    const std::optional<QString> noDirectory;

    // Both runs are judged by their output alone: a doctor that finds problems may well exit
    // non-zero while still printing a complete document.
    const QStringList versionArguments{QStringLiteral("version")};
    const ProcessResult version = co_await m_runner.run(executable, versionArguments, noDirectory,
                                                        coreEnvironment(), m_timeLimits.command);
    const QStringList doctorArguments{QStringLiteral("doctor"), QStringLiteral("--json")};
    const ProcessResult doctor = co_await m_runner.run(executable, doctorArguments, noDirectory,
                                                       coreEnvironment(), m_timeLimits.command);
    if (doctor.stdout.isEmpty()) {
        throw MarlvaneError::coreFailure(message(doctor));
    }
    const DoctorPayload payload = DoctorPayload::read(doctor.stdout);

    auto searchVSCode = [home = QDir::homePath()] {
        return resolveVSCodeApplication(home);
    };
    const std::optional<QString> vscode =
        co_await Background::run(Background::sharedPool(), std::move(searchVSCode));

    EnvironmentReport report;
    report.desktop = payload.desktop;
    report.cli = payload.cli;
    report.vscode.found = vscode.has_value();
    report.vscode.appPath = vscode;
    report.coreVersion = version.stdoutString().trimmed();
    report.corePath = executable;
    report.desktopIsolationIsCompatibilityLayer = true;
    co_return report;
}
