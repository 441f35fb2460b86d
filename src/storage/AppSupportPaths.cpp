#include "AppSupportPaths.h"

#include <QDir>
#include <QStandardPaths>

QString AppSupportPaths::root()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) {
        // Only a system without a home folder supplies no data location; the home-relative
        // default still names a usable place and the first save will say if it is not.
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return base + QStringLiteral("/Marlvane");
}
