#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

/** @brief Which account a profile is logged into and how much of its usage windows is used. */
struct AccountStatus
{
    enum class State
    {
        signedIn,
        signedOut,
        unavailable,
    };

    /** @brief One usage window, as the Codex app server reports it. */
    struct Window
    {
        std::optional<int> minutes;
        int usedPercent = 0;
        std::optional<QDateTime> resetsAt;

        bool operator==(const Window&) const = default;
    };

    State state = State::unavailable;
    /** @brief The account's type as the server gives it: "chatgpt", "apiKey", ... */
    std::optional<QString> authMode;
    std::optional<QString> email;
    /** @brief The plan as the server names it ("plus", "pro", ...). */
    std::optional<QString> plan;
    QList<Window> windows;
    /** @brief Why the state is unavailable or the windows are missing. */
    std::optional<QString> reason;

    bool operator==(const AccountStatus&) const = default;

    static AccountStatus unavailableBecause(const QString& reason);
    /** @brief The core's account document; throws PlatformError when it is not one. */
    static AccountStatus fromDocument(const QByteArray& json);
};
