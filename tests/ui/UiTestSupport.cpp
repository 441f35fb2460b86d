#include "UiTestSupport.h"

#include <QLabel>

void UiTest::storeInstances(AppModelHarness& harness, const QList<CodexInstance>& instances)
{
    harness.writeInstances(instances);
    QStringList profiles;
    for (const CodexInstance& instance : instances) {
        profiles.append(instance.profileId);
    }
    harness.core().setProfiles(profiles);
}

QString UiTest::text(const QObject* parent, const char* name)
{
    const auto* label = find<QLabel>(parent, name);
    return label != nullptr ? label->text() : u"<none>"_s;
}
