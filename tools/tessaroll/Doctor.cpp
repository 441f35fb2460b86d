#include "Doctor.h"

#include "CodexCli.h"

Doctor::Doctor(const DesktopApp& desktop, std::chrono::milliseconds codexTimeout)
    : m_desktop(desktop)
    , m_codexTimeout(codexTimeout)
{}

QJsonObject Doctor::report() const
{
    return {{QStringLiteral("desktop"), desktopEntry()}, {QStringLiteral("cli"), cliEntry()}};
}

QJsonObject Doctor::desktopEntry() const
{
    const auto bundle = m_desktop.locate();
    if (!bundle) {
        return {{QStringLiteral("found"), false}};
    }
    return {
        {QStringLiteral("found"), true},
        {QStringLiteral("path"), bundle->executablePath.isEmpty() ? bundle->appPath : bundle->executablePath},
        {QStringLiteral("app_path"), bundle->appPath},
        {QStringLiteral("product"), DesktopApp::Product},
        {QStringLiteral("bundle_id"), DesktopApp::BundleId}};
}

QJsonObject Doctor::cliEntry() const
{
    const QString executable = CodexCli::locate();
    if (executable.isEmpty()) {
        return {{QStringLiteral("found"), false}, {QStringLiteral("healthy"), false}};
    }
    const CodexCli::Probe probe = CodexCli::probe(executable, m_codexTimeout);
    QJsonObject entry{{QStringLiteral("found"), true},
                      {QStringLiteral("path"), executable},
                      {QStringLiteral("source"), CodexCli::sourceOf(executable)},
                      {QStringLiteral("healthy"), probe.healthy}};
    if (!probe.version.isEmpty()) {
        entry.insert(QStringLiteral("version"), probe.version);
    }
    return entry;
}
