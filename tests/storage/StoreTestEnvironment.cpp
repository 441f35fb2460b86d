#include "StoreTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const char* const variables[] = {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};
} // namespace

void StoreTestEnvironment::SetUp()
{
    for (const char* name : variables) {
        m_saved.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    }
    ASSERT_TRUE(m_root.isValid());
    const QString base = m_root.path();
    for (const char* name : {"home", "data", "run", "tmp"}) {
        ASSERT_TRUE(QDir(base).mkdir(QString::fromLatin1(name)));
    }
    QFile::setPermissions(base + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dataHome = base + QStringLiteral("/data");
    qputenv("HOME", QFile::encodeName(base + QStringLiteral("/home")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + QStringLiteral("/run")));
    qputenv("TMPDIR", QFile::encodeName(base + QStringLiteral("/tmp")));
    m_url = dataFile(QStringLiteral("instances.json"));
    m_backup = m_url + QStringLiteral(".backup");
    m_folder = QFileInfo(m_url).absolutePath();
}

void StoreTestEnvironment::TearDown()
{
    for (const auto& [name, value] : m_saved) {
        if (value) {
            qputenv(name, *value);
        } else {
            qunsetenv(name);
        }
    }
}

QString StoreTestEnvironment::dataFile(const QString& name) const
{
    return m_dataHome + QStringLiteral("/Marlvane/") + name;
}

QStringList StoreTestEnvironment::entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}
