#include "ProfileStore.h"

#include "Folders.h"
#include "ProfileId.h"
#include "ToolError.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {
QString absoluteClean(const QString& path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

QString environmentPath(const char* name)
{
    return QFile::decodeName(qgetenv(name));
}
} // namespace

ProfileStore::ProfileStore(const QString& root, const QString& defaultHome)
    : m_root(absoluteClean(root))
    , m_defaultHome(absoluteClean(defaultHome))
{}

ProfileStore ProfileStore::fromEnvironment()
{
    QString root = environmentPath("TESSAROLL_HOME");
    if (root.isEmpty()) {
        // XDG_DATA_HOME or ~/.local/share on Linux, ~/Library/Application Support on macOS.
        root = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               QStringLiteral("/tessaroll/profiles");
    }
    QString defaultHome = environmentPath("CODEX_HOME");
    if (defaultHome.isEmpty()) {
        defaultHome = QDir::homePath() + QStringLiteral("/.codex");
    }
    return ProfileStore(root, defaultHome);
}

QStringList ProfileStore::list() const
{
    QStringList ids;
    const QFileInfo rootInfo(m_root);
    if (rootInfo.exists() && !rootInfo.isDir()) {
        throw ToolError(QStringLiteral("the profiles folder %1 is not a folder").arg(m_root));
    }
    const QDir dir(m_root);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        // A folder called "default" would be shadowed by the real default profile.
        if (ProfileId::isValid(name) && name != ProfileId::Default) {
            ids.append(name);
        }
    }
    std::sort(ids.begin(), ids.end());
    ids.prepend(ProfileId::Default);
    return ids;
}

QString ProfileStore::folderOf(const QString& id) const
{
    ProfileId::require(id);
    if (id == ProfileId::Default) {
        return m_defaultHome;
    }
    return m_root + QLatin1Char('/') + id;
}

QString ProfileStore::existingFolder(const QString& id) const
{
    const QString folder = folderOf(id);
    if (id != ProfileId::Default && !Folders::isRealFolder(folder)) {
        throw ToolError(QStringLiteral("unknown profile \"%1\"").arg(id));
    }
    return folder;
}

void ProfileStore::init(const QString& id) const
{
    const QString folder = folderOf(id);
    Folders::createPrivate(folder);
    // A link to a folder elsewhere is not a profile we own; list and remove would not see it either.
    if (id != ProfileId::Default && !Folders::isRealFolder(folder)) {
        throw ToolError(QStringLiteral("%1 exists and is not a folder").arg(folder));
    }
}

void ProfileStore::remove(const QString& id) const
{
    const QString folder = existingFolder(id);
    if (id == ProfileId::Default) {
        throw ToolError(QStringLiteral("the default profile cannot be removed"));
    }
    Folders::removeTree(folder);
}
