#include "UiTestSupport.h"

#include "AsyncTest.h"
#include "ProfileID.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QUuid>
#include <QWidget>

void FakeUiServices::chooseFolder(QWidget*, const QString& title, const QString& acceptLabel,
                                  std::function<void(std::optional<QString>)> done)
{
    folderRequests.append(FolderRequest{title, acceptLabel});
    m_pendingFolder = std::move(done);
}

void FakeUiServices::answerFolder(std::optional<QString> folder)
{
    ASSERT_TRUE(m_pendingFolder) << "no folder panel is open";
    auto done = std::exchange(m_pendingFolder, nullptr);
    done(std::move(folder));
}

namespace UiTest {

void deleteClosedObjects()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QDateTime hoursAgo(int hours)
{
    // Whole seconds, as the data files store them.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() - qint64(hours) * 3600, Qt::UTC);
}

CodexInstance managed(const QString& name, CodexInstanceType type, const QDateTime& createdAt,
                      std::optional<QDateTime> lastUsedAt)
{
    CodexInstance instance;
    instance.id = QUuid::createUuid();
    instance.displayName = name;
    instance.type = type;
    instance.profileId = ProfileID::compose(type, instance.id);
    instance.createdAt = createdAt;
    instance.lastUsedAt = lastUsedAt;
    return instance;
}

void storeInstances(AppModelHarness& harness, const QList<CodexInstance>& instances)
{
    harness.writeInstances(instances);
    QStringList profiles;
    for (const CodexInstance& instance : instances) {
        profiles.append(instance.profileId);
    }
    harness.core().setProfiles(profiles);
}

bool waitForBootstrap(AppModelHarness& harness)
{
    return AsyncTest::spinUntil([&] {
        return harness.core().count(QStringLiteral("diagnose")) >= 1 && !harness.model().isWorking();
    });
}

void saveScreenshot(QWidget* widget, const QString& name)
{
    const QString buildDir = qEnvironmentVariable("MARLVANE_BUILD_DIR");
    if (buildDir.isEmpty()) {
        return; // run outside CTest: nowhere agreed to put them
    }
    const QString folder = buildDir + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
}

} // namespace UiTest
