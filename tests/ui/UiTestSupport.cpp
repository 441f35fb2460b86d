#include "UiTestSupport.h"

void UiTest::storeInstances(AppModelHarness& harness, const QList<CodexInstance>& instances)
{
    harness.writeInstances(instances);
    QStringList profiles;
    for (const CodexInstance& instance : instances) {
        profiles.append(instance.profileId);
    }
    harness.core().setProfiles(profiles);
}
