#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

/**
 * @brief Private per-user folders for one benchmark: home, data, runtime (0700), temporary,
 * configuration and cache, all inside one temporary folder that is removed at the end.
 *
 * Runs against it read and write nothing of the real user's, and every run of a figure sees
 * the same state.
 */
class ScratchHome final
{
public:
    ScratchHome();

    bool isValid() const { return m_root.isValid(); }
    QString root() const { return m_root.path(); }
    QString home() const { return root() + QStringLiteral("/home"); }
    /** @brief XDG_DATA_HOME: the app's data folder is <dataHome>/Marlvane. */
    QString dataHome() const { return root() + QStringLiteral("/data"); }
    QString marlvaneData() const { return dataHome() + QStringLiteral("/Marlvane"); }

    /** @brief Overrides laid over the system environment (offscreen platform, UTF-8 C locale). */
    QMap<QString, QString> variables() const;
    /** @brief The whole environment of a child: ours, the folders above, then `extra`. */
    QStringList environment(const QMap<QString, QString>& extra = {}) const;
    /** @brief Sets the same variables in this process, for harnesses that run the code in place. */
    void apply(const QMap<QString, QString>& extra = {}) const;

private:
    QTemporaryDir m_root;
};
