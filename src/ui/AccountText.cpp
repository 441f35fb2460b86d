#include "AccountText.h"

namespace {
constexpr int kFiveHours = 300;
constexpr int kWeek = 7 * 24 * 60;

QString planLabel(const QString& plan)
{
    return plan.left(1).toUpper() + plan.mid(1);
}

QString durationLabel(const std::optional<int>& minutes)
{
    if (!minutes) {
        return QStringLiteral("用量");
    }
    if (*minutes == kFiveHours) {
        return QStringLiteral("5 小时");
    }
    if (*minutes == kWeek) {
        return QStringLiteral("每周");
    }
    if (*minutes > 0 && *minutes % 60 == 0) {
        return QStringLiteral("%1 小时").arg(*minutes / 60);
    }
    return QStringLiteral("%1 分钟").arg(*minutes);
}
} // namespace

namespace AccountText {

QString line(const std::optional<AccountStatus>& status)
{
    if (!status) {
        return QStringLiteral("正在读取账户…");
    }
    switch (status->state) {
    case AccountStatus::State::signedOut:
        return QStringLiteral("未登录");
    case AccountStatus::State::unavailable:
        return QStringLiteral("账户状态不可用");
    case AccountStatus::State::signedIn:
        break;
    }
    const QString mode = status->authMode.value_or(QString());
    if (mode == QLatin1String("apiKey")) {
        return QStringLiteral("API Key");
    }
    if (mode != QLatin1String("chatgpt")) {
        return mode.isEmpty() ? QStringLiteral("已登录") : mode;
    }
    const QString who =
        status->email.value_or(QString()).isEmpty() ? QStringLiteral("ChatGPT") : *status->email;
    const QString plan = status->plan.value_or(QString());
    return plan.isEmpty() ? who : who + QStringLiteral(" · ") + planLabel(plan);
}

QString windowCaption(const AccountStatus::Window& window)
{
    return durationLabel(window.minutes) + QStringLiteral(" %1%").arg(window.usedPercent);
}

QString resetTooltip(const AccountStatus::Window& window)
{
    if (!window.resetsAt) {
        return {};
    }
    return QStringLiteral("重置于 ") +
           window.resetsAt->toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

SemanticColor barColor(int usedPercent)
{
    if (usedPercent >= 100) {
        return SemanticColor::destructive;
    }
    return usedPercent >= 90 ? SemanticColor::warning : SemanticColor::accent;
}

} // namespace AccountText
