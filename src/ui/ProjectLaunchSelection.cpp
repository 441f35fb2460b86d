#include "ProjectLaunchSelection.h"

QString ProjectLaunchSelection::id() const
{
    return instance.id.toString(QUuid::WithoutBraces).toUpper() + QLatin1Char('-') +
           ProjectLaunchTargets::rawValue(target);
}
