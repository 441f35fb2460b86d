#pragma once

#include <QJsonObject>
#include <QString>

#include <chrono>

/**
 * @brief Asks a Codex app server started on a profile's home which account the profile is logged
 * into and how much of its usage windows is used.
 *
 * It speaks the server's JSON-RPC over standard input and output: initialize, initialized,
 * account/read (never asking for a token refresh: a Codex session in the same home may hold the
 * same refresh token) and, for a ChatGPT account, account/rateLimits/read. The server runs in a
 * process group of its own, which is ended when the probe is done. Nothing the server says
 * besides the account's type, e-mail, plan and usage windows is kept or printed.
 */
class AccountProbe final
{
public:
    /** @brief `clientVersion` is what the probe tells the server it is. */
    AccountProbe(QString executable, QString codexHome, QString clientVersion,
                 std::chrono::milliseconds timeout);

    /**
     * @brief The status document: state ("signed_in", "signed_out", "unavailable"), auth_mode,
     * email, plan, windows [{minutes, used_percent, resets_at}] and reason. A failure never throws:
     * it is the state "unavailable" with its reason.
     */
    QJsonObject read() const;

private:
    QString m_executable;
    QString m_codexHome;
    QString m_clientVersion;
    std::chrono::milliseconds m_timeout;
};
