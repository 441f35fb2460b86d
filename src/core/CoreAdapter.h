#pragma once

#include "AccountStatus.h"
#include "EnvironmentReport.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <optional>

/**
 * @brief Everything the application model does with profiles and launches goes through this.
 *
 * Every operation is a coroutine awaited on the GUI thread; blocking work happens elsewhere.
 * Failures are thrown: MarlvaneError for the application's own, PlatformError otherwise.
 * Arguments are taken by value so they live in the coroutine frame.
 */
class CoreAdapter
{
public:
    virtual ~CoreAdapter() = default;

    /** @brief The located core executable, absent when none was found. */
    virtual std::optional<QString> executableURL() const = 0;

    virtual QCoro::Task<QStringList> listProfiles() = 0;
    virtual QCoro::Task<void> createProfile(QString profileID) = 0;
    virtual QCoro::Task<void> removeProfile(QString profileID) = 0;
    virtual QCoro::Task<void> launchDesktop(QString profileID) = 0;
    /** @brief projectURL is the project folder's absolute path. */
    virtual QCoro::Task<void> launchCLI(QString profileID, QString projectURL) = 0;
    virtual QCoro::Task<void> launchVSCode(QString profileID, QString projectURL) = 0;
    virtual QCoro::Task<EnvironmentReport> diagnose() = 0;
    /** @brief The profile's account; a status that cannot be read is "unavailable", never thrown. */
    virtual QCoro::Task<AccountStatus> accountStatus(QString profileID) = 0;
    /** @brief Opens a terminal running "codex login" on the profile, in the user's home folder. */
    virtual QCoro::Task<void> launchLogin(QString profileID) = 0;
};
