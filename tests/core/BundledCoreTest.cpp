#include "AsyncTest.h"
#include "CorePrinters.h"
#include "IsolatedUser.h"
#include "TessarollCLIAdapter.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

// Drives the core built alongside the app through the adapter, in a profile home of its own.
TEST(BundledCoreTest, createdProfileIsListedUntilRemoved)
{
#ifndef MARLVANE_BUNDLED_CORE
    GTEST_SKIP() << "the bundled core is not part of this build";
#else
    IsolatedUser user;
    user.setVariable("TESSAROLL_HOME", QFile::encodeName(user.scratch() + QStringLiteral("/profiles")));
    TessarollCLIAdapter adapter(QStringLiteral(MARLVANE_BUNDLED_CORE));
    const QString profile = QStringLiteral("marlvane-cli-2f4c1a9e-1b7d-4c3e-9a1f-0d2e3c4b5a69");

    EXPECT_FALSE(AsyncTest::await(adapter.listProfiles()).contains(profile));
    AsyncTest::await(adapter.createProfile(profile));
    EXPECT_TRUE(AsyncTest::await(adapter.listProfiles()).contains(profile));
    AsyncTest::await(adapter.removeProfile(profile));
    EXPECT_FALSE(AsyncTest::await(adapter.listProfiles()).contains(profile));
#endif
}

} // namespace
