#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <optional>
#include <utility>

/**
 * @brief Points HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR (0700) and TMPDIR at fresh temporary folders
 * for the lifetime of the object, and puts the previous values back afterwards.
 */
class IsolatedUser final
{
public:
    IsolatedUser();
    ~IsolatedUser();
    Q_DISABLE_COPY_MOVE(IsolatedUser)

    /** @brief The temporary home folder. */
    QString home() const;
    /** @brief A scratch folder outside the home folder. */
    QString scratch() const;

    /** @brief Sets a variable until the object is destroyed (restored like the others). */
    void setVariable(const char* name, const QByteArray& value);

private:
    void remember(const char* name);

    QTemporaryDir m_root;
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};
