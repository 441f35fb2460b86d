#include "AppSupportPaths.h"

#include "Background.h"
#include "FileOps.h"
#include "FileStoreEngine.h"

#include <QDir>
#include <QStandardPaths>
#include <QThreadPool>

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

QCoro::Task<QString> AppSupportPaths::ensureDataFolder()
{
    return Background::run(QThreadPool::globalInstance(), [] {
        const QString folder = root();
        FileStoreEngine::ensureFolder(folder, *FileOps::real());
        return folder;
    });
}
