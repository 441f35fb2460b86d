#include "BenchApp.h"

#include "AppSupportPaths.h"
#include "TessarollCLIAdapter.h"

#include <QCoroSignal>

std::unique_ptr<AppModel> BenchApp::withCore(const QString& core)
{
    const QString root = AppSupportPaths::root();
    return std::make_unique<AppModel>(
        std::make_unique<AppModel::InstanceStore>(root + QStringLiteral("/instances.json"),
                                                  QList<CodexInstance>{}),
        std::make_unique<AppModel::ProjectStore>(root + QStringLiteral("/recent-projects.json"),
                                                 QList<RecentProject>{}),
        std::make_unique<TessarollCLIAdapter>(core));
}

QCoro::Task<void> BenchApp::bootstrapped(AppModel& model)
{
    bool sawWorking = model.isWorking();
    for (;;) {
        co_await qCoro(&model, &AppModel::isWorkingChanged);
        if (model.isWorking()) {
            sawWorking = true;
        } else if (sawWorking) {
            co_return;
        }
    }
}
