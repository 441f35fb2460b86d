#pragma once

#include "AccountStatus.h"
#include "CodexInstance.h"
#include "CoreAdapter.h"

#include <QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <functional>
#include <optional>

/**
 * @brief The account of every CLI instance shown on the home window, kept in memory only.
 *
 * Statuses are asked of the core at most four at a time and published one by one as they
 * arrive. Reading them never touches the model's busy flag or its error: a status that cannot be
 * read is itself the answer ("unavailable"). An answer for an instance that is gone by then, or
 * whose profile changed, is dropped.
 */
class AccountBoard final : public QObject
{
    Q_OBJECT

public:
    /** @brief `shown` gives the instances on the home window, in order. */
    AccountBoard(CoreAdapter& core, std::function<QList<CodexInstance>()> shown, QObject* parent = nullptr);

    /** @brief Absent while the first answer for the instance is pending. */
    std::optional<AccountStatus> status(const QUuid& instanceID) const;
    /**
     * @brief The display name of another shown instance signed in with ChatGPT to the same
     * e-mail (letter case aside), when there is one.
     */
    std::optional<QString> sharedAccountOwner(const QUuid& instanceID) const;

    /** @brief Asks for every shown CLI instance. */
    QCoro::Task<void> refreshAccounts();
    /**
     * @brief Once the accounts were read at all, asks for every shown CLI instance that has no
     * answer and is not being asked (one just made, imported, or shown since).
     */
    QCoro::Task<void> askForUnknown();
    /** @brief After a login terminal was opened on the instance: asked again at the next activation. */
    void loginOpened(const QUuid& instanceID);
    /**
     * @brief The window came to the front again: refreshes everything when the last refresh is
     * older than a minute, else only the instances a login was opened for; nothing before the
     * first refresh.
     */
    QCoro::Task<void> windowActivated();

signals:
    void statusChanged(const QUuid& instanceID);

private:
    QCoro::Task<void> ask(QList<CodexInstance> instances);
    QCoro::Task<void> askOne(CodexInstance instance);
    QList<CodexInstance> shownCLI() const;

    CoreAdapter& m_core;
    std::function<QList<CodexInstance>()> m_shown;
    QHash<QUuid, AccountStatus> m_statuses;
    QSet<QUuid> m_loginsOpened;
    QSet<QUuid> m_asking;
    std::optional<QDateTime> m_lastRefresh;
    QList<CodexInstance> m_queue;
    int m_running = 0;
};
