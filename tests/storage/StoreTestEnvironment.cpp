#include "StoreTestEnvironment.h"

#include "AsyncTest.h"
#include "PlatformError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

void StoreTestEnvironment::SetUp()
{
    ASSERT_TRUE(m_root.isValid());
    const QString base = m_root.path();
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) {
        m_saved.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    }
    for (const auto& [name, folder] : {std::pair{"HOME", "/home"},
                                       {"XDG_DATA_HOME", "/data"},
                                       {"XDG_RUNTIME_DIR", "/run"},
                                       {"TMPDIR", "/tmp"}}) {
        ASSERT_TRUE(QDir().mkpath(base + QLatin1String(folder)));
        qputenv(name, QFile::encodeName(base + QLatin1String(folder)));
    }
    QFile::setPermissions(base + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dataHome = base + QStringLiteral("/data");
    m_folder = m_dataHome + QStringLiteral("/Marlvane");
    m_url = m_folder + QStringLiteral("/instances.json");
    m_backup = m_url + QStringLiteral(".backup");
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

QStringList StoreTestEnvironment::entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

std::optional<QByteArray> StoreTestEnvironment::content(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

QStringList StoreTestEnvironment::temporaries(const QString& folder)
{
    return entries(folder).filter(QRegularExpression(QStringLiteral("^\\.")));
}

QStringList StoreTestEnvironment::damagedCopies(const QString& path)
{
    const QFileInfo info(path);
    QStringList paths;
    for (const QString& name : entries(info.absolutePath())) {
        if (name.startsWith(info.fileName() + QStringLiteral(".damaged-"))) {
            paths.append(info.absolutePath() + QLatin1Char('/') + name);
        }
    }
    return paths;
}

bool StoreTestEnvironment::keptAside(const QString& path, const QByteArray& bytes)
{
    const QStringList copies = damagedCopies(path);
    return std::any_of(copies.begin(), copies.end(),
                       [&](const QString& copy) { return content(copy) == bytes; });
}

void StoreTestEnvironment::expectError(std::exception_ptr thrown, const QString& path, const QString& reason,
                                       int code)
{
    const std::optional<PlatformError> error = AsyncTest::as<PlatformError>(thrown);
    ASSERT_TRUE(error) << (thrown ? "not a PlatformError" : "no error");
    EXPECT_TRUE(error->description().contains(path)) << error->what();
    EXPECT_TRUE(error->description().contains(reason)) << error->what();
    if (code != -1) {
        EXPECT_EQ(error->code(), code) << error->what();
    }
}
