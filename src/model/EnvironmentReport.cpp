#include "EnvironmentReport.h"

EnvironmentReport EnvironmentReport::placeholder()
{
    EnvironmentReport report;
    report.coreVersion = QStringLiteral("不可用");
    report.corePath = QStringLiteral("未找到");
    report.desktopIsolationIsCompatibilityLayer = true;
    return report;
}
