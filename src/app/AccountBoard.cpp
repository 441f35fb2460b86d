#include "AccountBoard.h"

#include <vector>

namespace {
constexpr int runsAtOnce = 4;
constexpr qint64 staleAfterSeconds = 60;
} // namespace

AccountBoard::AccountBoard(CoreAdapter& core, std::function<QList<CodexInstance>()> shown, QObject* parent)
    : QObject(parent)
    , m_core(core)
    , m_shown(std::move(shown))
{}

std::optional<AccountStatus> AccountBoard::status(const QUuid& instanceID) const
{
    const auto found = m_statuses.constFind(instanceID);
    return found == m_statuses.constEnd() ? std::nullopt : std::optional(*found);
}

std::optional<QString> AccountBoard::sharedAccountOwner(const QUuid& instanceID) const
{
    const auto chatGPTEmail = [this](const QUuid& id) -> QString {
        const std::optional<AccountStatus> known = status(id);
        if (!known || known->state != AccountStatus::State::signedIn ||
            known->authMode != QLatin1String("chatgpt")) {
            return {};
        }
        return known->email.value_or(QString()).toCaseFolded();
    };
    const QString email = chatGPTEmail(instanceID);
    if (email.isEmpty()) {
        return std::nullopt;
    }
    for (const CodexInstance& other : shownCLI()) {
        if (other.id != instanceID && chatGPTEmail(other.id) == email) {
            return other.displayName;
        }
    }
    return std::nullopt;
}

QList<CodexInstance> AccountBoard::shownCLI() const
{
    QList<CodexInstance> cli = m_shown();
    cli.removeIf([](const CodexInstance& instance) { return instance.type != CodexInstanceType::cli; });
    return cli;
}

QCoro::Task<void> AccountBoard::refreshAccounts()
{
    m_lastRefresh = QDateTime::currentDateTimeUtc();
    m_loginsOpened.clear();
    co_await ask(shownCLI());
}

QCoro::Task<void> AccountBoard::askForUnknown()
{
    if (!m_lastRefresh) {
        co_return;
    }
    QList<CodexInstance> unknown = shownCLI();
    unknown.removeIf([this](const CodexInstance& instance) {
        return m_statuses.contains(instance.id) || m_asking.contains(instance.id);
    });
    co_await ask(std::move(unknown));
}

void AccountBoard::loginOpened(const QUuid& instanceID)
{
    m_loginsOpened.insert(instanceID);
}

QCoro::Task<void> AccountBoard::windowActivated()
{
    if (!m_lastRefresh) {
        co_return;
    }
    if (m_lastRefresh->secsTo(QDateTime::currentDateTimeUtc()) > staleAfterSeconds) {
        co_await refreshAccounts();
        co_return;
    }
    QList<CodexInstance> logins = shownCLI();
    logins.removeIf([this](const CodexInstance& instance) { return !m_loginsOpened.contains(instance.id); });
    m_loginsOpened.clear();
    co_await ask(std::move(logins));
}

QCoro::Task<void> AccountBoard::ask(QList<CodexInstance> instances)
{
    // Each worker takes the next instance off the shared queue until it is empty, so that at most
    // four core runs are going at any time, whoever started them.
    // One waiting for its turn is not queued twice; one being asked is, as its answer may be older.
    for (const CodexInstance& instance : instances) {
        const bool waiting =
            std::any_of(m_queue.cbegin(), m_queue.cend(),
                        [&instance](const CodexInstance& each) { return each.id == instance.id; });
        if (!waiting) {
            m_queue.append(instance);
        }
    }
    std::vector<QCoro::Task<void>> workers;
    while (m_running < runsAtOnce && !m_queue.isEmpty()) {
        ++m_running;
        workers.push_back(askOne(m_queue.takeFirst()));
    }
    for (QCoro::Task<void>& worker : workers) {
        co_await std::move(worker);
    }
}

QCoro::Task<void> AccountBoard::askOne(CodexInstance instance)
{
    for (;;) {
        m_asking.insert(instance.id);
        AccountStatus answer;
        try {
            answer = co_await m_core.accountStatus(instance.profileId);
        } catch (const std::exception& error) { // the adapter's own failures are statuses already
            answer = AccountStatus::unavailableBecause(QString::fromLocal8Bit(error.what()));
        }
        m_asking.remove(instance.id);
        const QList<CodexInstance> shown = shownCLI();
        const bool stillShown =
            std::any_of(shown.begin(), shown.end(), [&instance](const CodexInstance& each) {
                return each.id == instance.id && each.profileId == instance.profileId;
            });
        if (stillShown) {
            m_statuses.insert(instance.id, answer);
            emit statusChanged(instance.id);
        }
        if (m_queue.isEmpty()) {
            break;
        }
        instance = m_queue.takeFirst();
    }
    --m_running;
}
