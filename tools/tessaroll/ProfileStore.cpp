#include "ProfileStore.h"

#include "Folders.h"
#include "ProfileID.h"
#include "ToolError.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
QString absoluteClean(const QString& path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

QString environmentPath(const char* name)
{
    return QFile::decodeName(qgetenv(name));
}

// A profile being removed is first renamed to this prefix; the leading dot keeps it out of the list.
const QString RemovingPrefix = QStringLiteral(".removing-");
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
    const QStringList names = Folders::subfolders(m_root);
    finishRemovals(names);
    for (const QString& name : names) {
        // A folder called "default" would be shadowed by the real default profile.
        if (ProfileID::isValid(name) && name != ProfileID::Default) {
            ids.append(name);
        }
    }
    std::sort(ids.begin(), ids.end());
    ids.prepend(ProfileID::Default);
    return ids;
}

QString ProfileStore::folderOf(const QString& id) const
{
    ProfileID::require(id);
    if (id == ProfileID::Default) {
        return m_defaultHome;
    }
    return m_root + QLatin1Char('/') + id;
}

QString ProfileStore::existingFolder(const QString& id) const
{
    const QString folder = folderOf(id);
    if (id != ProfileID::Default && !Folders::isRealFolder(folder)) {
        throw ToolError(QStringLiteral("unknown profile \"%1\"").arg(id));
    }
    return folder;
}

void ProfileStore::init(const QString& id) const
{
    const QString folder = folderOf(id);
    Folders::createPrivate(folder);
    // A link to a folder elsewhere is not a profile we own; list and remove would not see it either.
    if (id != ProfileID::Default && !Folders::isRealFolder(folder)) {
        throw ToolError(QStringLiteral("%1 exists and is not a folder").arg(folder));
    }
}

void ProfileStore::remove(const QString& id) const
{
    const QString folder = existingFolder(id);
    if (id == ProfileID::Default) {
        throw ToolError(QStringLiteral("the default profile cannot be removed"));
    }
    finishRemovals(Folders::subfolders(m_root));
    // One rename takes the profile out of the list before anything in it is deleted: when the
    // profiles folder refuses it, the profile is left whole rather than without its login.
    const QString aside = m_root + QLatin1Char('/') + RemovingPrefix + id + QLatin1Char('-') +
                          QUuid::createUuid().toString(QUuid::Id128);
    if (std::rename(QFile::encodeName(folder).constData(), QFile::encodeName(aside).constData()) != 0) {
        throw ToolError(QStringLiteral("cannot remove profile \"%1\": cannot rename it inside %2: %3")
                            .arg(id, m_root, QString::fromLocal8Bit(std::strerror(errno))));
    }
    Folders::removeTree(aside);
}

void ProfileStore::finishRemovals(const QStringList& names) const
{
    for (const QString& name : names) {
        if (!name.startsWith(RemovingPrefix)) {
            continue;
        }
        try {
            Folders::removeTree(m_root + QLatin1Char('/') + name);
        } catch (const ToolError&) {
            // Out of sight already; the next list or remove tries again.
        }
    }
}
