#include "ScratchHome.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

ScratchHome::ScratchHome()
    : m_root(QDir::tempPath() + QStringLiteral("/marlvane-bench-XXXXXX"))
{
    if (!m_root.isValid()) {
        return;
    }
    for (const char* name : {"home", "data", "runtime", "tmp", "config", "cache"}) {
        QDir(root()).mkpath(QString::fromLatin1(name));
    }
    // QStandardPaths refuses a runtime folder that is not private.
    QFile::setPermissions(root() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QMap<QString, QString> ScratchHome::variables() const
{
    return {
        {QStringLiteral("HOME"), home()},
        {QStringLiteral("XDG_DATA_HOME"), dataHome()},
        {QStringLiteral("XDG_RUNTIME_DIR"), root() + QStringLiteral("/runtime")},
        {QStringLiteral("XDG_CONFIG_HOME"), root() + QStringLiteral("/config")},
        {QStringLiteral("XDG_CACHE_HOME"), root() + QStringLiteral("/cache")},
        {QStringLiteral("TMPDIR"), root() + QStringLiteral("/tmp")},
        {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
        {QStringLiteral("LANG"), QStringLiteral("C.UTF-8")},
        {QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")},
    };
}

QStringList ScratchHome::environment(const QMap<QString, QString>& extra) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QMap<QString, QString> overrides = variables();
    overrides.insert(extra);
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it) {
        environment.insert(it.key(), it.value());
    }
    return environment.toStringList();
}

void ScratchHome::apply(const QMap<QString, QString>& extra) const
{
    QMap<QString, QString> overrides = variables();
    overrides.insert(extra);
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it) {
        qputenv(it.key().toLocal8Bit().constData(), it.value().toLocal8Bit());
    }
}
