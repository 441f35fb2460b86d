#include "ReleaseVersion.h"

QString releaseVersion(const AppBundle& bundle)
{
    // The last released version stands in for builds that stamp none (a bare binary, a
    // bundle whose Info.plist lost the entry).
    return bundle.shortVersionString.value_or(QStringLiteral("0.3.0"));
}
