#pragma once

#include "DesktopApp.h"
#include "ProfileStore.h"

#include <QByteArrayList>
#include <QStringList>

/**
 * @brief The tool's command line: picks the command, checks its arguments and carries it out.
 *
 * Failures are thrown as ToolError. Nothing here reads standard input: the tool runs under the
 * app without a terminal and must never stop to ask.
 */
class Commands final
{
public:
    static constexpr const char* Version = "0.7.0";

    Commands(const ProfileStore& store, const DesktopApp& desktop);

    /** @brief Runs the command line (without the program name) and returns the exit code. */
    int run(const QByteArrayList& arguments);

private:
    int list() const;
    int init(const QString& id) const;
    int remove(QStringList arguments) const;
    int path(const QString& id) const;
    int cli(const QString& id, const QByteArrayList& codexArguments) const;
    int app(const QString& id) const;
    int account(const QString& id) const;
    /** @brief The profile's folder for Codex, the default one made first if it is missing. */
    QString codexHome(const QString& id) const;
    int doctor() const;

    ProfileStore m_store;
    DesktopApp m_desktop;
};
