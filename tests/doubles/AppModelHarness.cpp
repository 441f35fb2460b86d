#include "AppModelHarness.h"

#include "AppSupportPaths.h"
#include "AsyncTest.h"
#include "JsonCoding.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>

AppModelHarness::AppModelHarness()
{
    const std::pair<const char*, const char*> folders[] = {{"HOME", "home"},
                                                           {"XDG_DATA_HOME", "home/.local/share"},
                                                           {"XDG_RUNTIME_DIR", "runtime"},
                                                           {"TMPDIR", "tmp"}};
    for (const auto& [name, folder] : folders) {
        m_saved.append({name, qgetenv(name)});
        qputenv(name, QFile::encodeName(makeFolder(QLatin1String(folder))));
    }
    QFile::setPermissions(root() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
    const QString path = QDir::cleanPath(root() + QLatin1Char('/') + relativePath);
    QDir().mkpath(path);
    return path;
}

void AppModelHarness::writeInstances(const QList<CodexInstance>& instances) const
{
    TestFiles::write(instancesPath(), JsonCoding<QList<CodexInstance>>::encode(instances));
}

void AppModelHarness::writeProjects(const QList<RecentProject>& projects) const
{
    TestFiles::write(projectsPath(), JsonCoding<QList<RecentProject>>::encode(projects));
}

namespace {
template <typename T> std::optional<T> decoded(const QString& path)
{
    try {
        if (QFile::exists(path))
            return JsonCoding<T>::decode(TestFiles::read(path));
    } catch (const std::exception&) {
    }
    return std::nullopt;
}
} // namespace

std::optional<QList<CodexInstance>> AppModelHarness::storedInstances() const
{
    return decoded<QList<CodexInstance>>(instancesPath());
}

std::optional<QList<RecentProject>> AppModelHarness::storedProjects() const
{
    return decoded<QList<RecentProject>>(projectsPath());
}

void AppModelHarness::detect(bool desktop, bool cli, bool vscode)
{
    m_core->setReport(FakeCoreAdapter::reportWith(desktop, cli, vscode));
    AsyncTest::await(m_model->refreshEnvironment());
}

void AppModelHarness::bootstrap()
{
    AsyncTest::await(m_model->bootstrap());
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
