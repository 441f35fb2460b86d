#include "IsolatedUser.h"

#include <QDir>
#include <QFile>

IsolatedUser::IsolatedUser()
{
    const QString root = m_root.path();
    for (const char* folder : {"home", "data", "runtime", "tmp", "scratch"}) {
        QDir(root).mkpath(QString::fromLatin1(folder));
    }
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setVariable("HOME", QFile::encodeName(root + QStringLiteral("/home")));
    setVariable("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    setVariable("XDG_RUNTIME_DIR", QFile::encodeName(root + QStringLiteral("/runtime")));
    setVariable("TMPDIR", QFile::encodeName(root + QStringLiteral("/tmp")));
}

IsolatedUser::~IsolatedUser()
{
    // Restore in reverse, so a variable set twice ends with its original value.
    for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
        if (it->second) {
            qputenv(it->first.constData(), *it->second);
        } else {
            qunsetenv(it->first.constData());
        }
    }
}

QString IsolatedUser::home() const
{
    return m_root.path() + QStringLiteral("/home");
}

QString IsolatedUser::scratch() const
{
    return m_root.path() + QStringLiteral("/scratch");
}

void IsolatedUser::setVariable(const char* name, const QByteArray& value)
{
    remember(name);
    qputenv(name, value);
}

void IsolatedUser::remember(const char* name)
{
    std::optional<QByteArray> previous;
    if (qEnvironmentVariableIsSet(name)) {
        previous = qgetenv(name);
    }
    m_saved.append({QByteArray(name), previous});
}
