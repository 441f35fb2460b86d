#include "AppModelHarness.h"

#include "AppSupportPaths.h"
#include "AsyncTest.h"
#include "JsonCoding.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>

#include <utility>

AppModelHarness::AppModelHarness()
    : m_files(std::make_shared<FailingFileOps>())
{
    const QString base = m_root.path();
    const auto isolate = [&](const char* name, const QString& folder) {
        QDir().mkpath(folder);
        qputenv(name, QFile::encodeName(folder));
    };
    isolate("HOME", base + QStringLiteral("/home"));
    isolate("XDG_DATA_HOME", base + QStringLiteral("/home/.local/share"));
    isolate("XDG_RUNTIME_DIR", base + QStringLiteral("/runtime"));
    QFile::setPermissions(base + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    isolate("TMPDIR", base + QStringLiteral("/tmp"));
    m_dataDirectory = AppSupportPaths::root();
    restart();
}

AppModelHarness::~AppModelHarness() = default;

QString AppModelHarness::root() const
{
    return m_root.path();
}

QString AppModelHarness::instancesPath() const
{
    return m_dataDirectory + QStringLiteral("/instances.json");
}

QString AppModelHarness::projectsPath() const
{
    return m_dataDirectory + QStringLiteral("/recent-projects.json");
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

std::optional<QList<CodexInstance>> AppModelHarness::storedInstances() const
{
    if (!QFile::exists(instancesPath())) {
        return std::nullopt;
    }
    try {
        return JsonCoding<QList<CodexInstance>>::decode(TestFiles::read(instancesPath()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<QList<RecentProject>> AppModelHarness::storedProjects() const
{
    if (!QFile::exists(projectsPath())) {
        return std::nullopt;
    }
    try {
        return JsonCoding<QList<RecentProject>>::decode(TestFiles::read(projectsPath()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
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
    auto instanceStore =
        std::make_unique<AppModel::InstanceStore>(instancesPath(), QList<CodexInstance>{}, m_files);
    auto projectStore =
        std::make_unique<AppModel::ProjectStore>(projectsPath(), QList<RecentProject>{}, m_files);
    m_model = std::make_unique<AppModel>(std::move(instanceStore), std::move(projectStore), std::move(core));
}
