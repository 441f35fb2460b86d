#include "AppModel.h"
#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "TempDir.h"
#include "TessarollCLIAdapter.h"
#include "TestRecords.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

// The application's own wiring (live()) with the core built beside the tests and a stand-in Codex
// CLI first on PATH; the harness only isolates the per-user folders.
TEST(AppModelEndToEnd, CreatesAndRemovesACLIInstanceThroughTheBundledCore)
{
    AppModelHarness isolation;
    qputenv("TESSAROLL_HOME", QFile::encodeName(isolation.makeFolder("profiles")));
    qunsetenv("TESSAROLL_DESKTOP_APP");
    const QString codex = isolation.makeFolder("bin") + "/codex";
    TestFiles::write(codex, "#!/bin/sh\necho 'codex-cli 0.0.1'\n");
    QFile::setPermissions(codex, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(QFileInfo(codex).path()) + ':' + path);

    const std::unique_ptr<AppModel> model = AppModel::live();
    TessarollCLIAdapter core = TessarollCLIAdapter::located();
    AsyncTest::await(model->bootstrap());
    EXPECT_EQ(model->presentedError(), std::nullopt);
    EXPECT_TRUE(model->environment().cli.found);
    EXPECT_EQ(QFileInfo(model->environment().corePath).canonicalFilePath(),
              QFileInfo(QStringLiteral(MARLVANE_TESSAROLL_PATH)).canonicalFilePath());

    EXPECT_TRUE(AsyncTest::await(model->createInstance(QStringLiteral("Work"), CodexInstanceType::cli)));
    ASSERT_EQ(model->instances().size(), 1);
    const CodexInstance created = model->instances().first();
    EXPECT_EQ(TestRecords::names(*isolation.storedInstances()), QStringList{"Work"});
    EXPECT_EQ(isolation.storedInstances()->first().id, created.id);
    EXPECT_TRUE(AsyncTest::await(core.listProfiles()).contains(created.profileId));

    EXPECT_TRUE(AsyncTest::await(model->remove(created)));
    EXPECT_EQ(isolation.storedInstances(), QList<CodexInstance>{});
    EXPECT_EQ(AsyncTest::await(core.listProfiles()), QStringList{QStringLiteral("default")});
    qputenv("PATH", path);
}
