#include "AppModelHarness.h"

#include "AppSupportPaths.h"

#include <QDir>

AppModelHarness::AppModelHarness()
{
    const std::pair<const char*, const char*> folders[] = {{"HOME", "home"},
                                                           {"XDG_DATA_HOME", "home/.local/share"},
                                                           {"XDG_RUNTIME_DIR", "runtime"},
                                                           {"TMPDIR", "tmp"}};
    for (const auto& [name, folder] : folders) {
        m_saved.append({name, qgetenv(name)});
        qputenv(name, QFile::encodeName(makeFolder(QString::fromLatin1(folder))));
    }
    QFile::setPermissions(root() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dataDirectory = AppSupportPaths::root();
    restart();
}

AppModelHarness::~AppModelHarness()
{
    m_model.reset();
    for (const auto& [name, value] : m_saved) // so the next temporary folder lands in the usual place
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
}

QString AppModelHarness::makeFolder(const QString& relativePath) const
{
    const QString path = QDir::cleanPath(root() + '/' + relativePath);
    QDir().mkpath(path);
    return path;
}

void AppModelHarness::restart()
{
    m_model.reset();
    auto core = std::make_unique<FakeCoreAdapter>();
    m_core = core.get();
    m_model = std::make_unique<AppModel>(
        std::make_unique<AppModel::InstanceStore>(instancesPath(), QList<CodexInstance>{}, m_files),
        std::make_unique<AppModel::ProjectStore>(projectsPath(), QList<RecentProject>{}, m_files),
        std::move(core));
}
