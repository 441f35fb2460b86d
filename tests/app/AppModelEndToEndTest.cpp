#include "AppModel.h"
#include "AppSupportPaths.h"
#include "AsyncTest.h"
#include "JsonCoding.h"
#include "TempDir.h"
#include "TessarollCLIAdapter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The application's own wiring (live()) finds the core built beside the test programs, as the
// installed application finds the bundled one; everything per-user points into a temporary folder.
class AppModelEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        const QString base = m_root.path();
        const auto isolate = [&](const char* name, const QString& folder) {
            QDir().mkpath(folder);
            qputenv(name, QFile::encodeName(folder));
        };
        isolate("HOME", base + "/home");
        isolate("XDG_DATA_HOME", base + "/home/.local/share");
        isolate("XDG_RUNTIME_DIR", base + "/runtime");
        QFile::setPermissions(base + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        isolate("TMPDIR", base + "/tmp");
        isolate("TESSAROLL_HOME", base + "/profiles");
        qunsetenv("TESSAROLL_DESKTOP_APP");

        // A stand-in Codex CLI, found first on PATH, so the diagnosis reports a usable CLI.
        const QString fakeBin = base + "/bin";
        QDir().mkpath(fakeBin);
        TestFiles::write(fakeBin + "/codex", "#!/bin/sh\necho 'codex-cli 0.0.1'\n");
        QFile::setPermissions(fakeBin + "/codex", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(fakeBin) + ':' + m_oldPath);
    }

    void TearDown() override { qputenv("PATH", m_oldPath); }

    QTemporaryDir m_root;
    QByteArray m_oldPath;
};

TEST_F(AppModelEndToEnd, CreatesAndRemovesACLIInstanceThroughTheBundledCore)
{
    const std::unique_ptr<AppModel> model = AppModel::live();
    // The same core the model found, asked directly to see what the model did.
    TessarollCLIAdapter core = TessarollCLIAdapter::located();

    AsyncTest::await(model->bootstrap());
    ASSERT_EQ(model->presentedError(), std::nullopt) << model->presentedError()->toStdString();
    ASSERT_TRUE(model->environment().cli.found);
    ASSERT_EQ(QFileInfo(model->environment().corePath).canonicalFilePath(),
              QFileInfo(QStringLiteral(MARLVANE_TESSAROLL_PATH)).canonicalFilePath());

    ASSERT_TRUE(AsyncTest::await(model->createInstance(QStringLiteral("Work"), CodexInstanceType::cli)))
        << model->presentedError().value_or(QString()).toStdString();
    ASSERT_EQ(model->instances().size(), 1);
    const CodexInstance created = model->instances().first();
    const QString instancesFile = AppSupportPaths::root() + "/instances.json";
    const QList<CodexInstance> stored =
        JsonCoding<QList<CodexInstance>>::decode(TestFiles::read(instancesFile));
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.first().profileId, created.profileId);
    EXPECT_TRUE(AsyncTest::await(core.listProfiles()).contains(created.profileId));

    ASSERT_TRUE(AsyncTest::await(model->remove(created)))
        << model->presentedError().value_or(QString()).toStdString();
    EXPECT_TRUE(model->instances().isEmpty());
    EXPECT_TRUE(JsonCoding<QList<CodexInstance>>::decode(TestFiles::read(instancesFile)).isEmpty());
    const QStringList remaining = AsyncTest::await(core.listProfiles());
    EXPECT_FALSE(remaining.contains(created.profileId));
    EXPECT_TRUE(remaining.contains(QStringLiteral("default")));
}

} // namespace
