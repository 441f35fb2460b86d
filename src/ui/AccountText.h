#pragma once

#include "AccountStatus.h"
#include "Theme.h"

#include <QString>

#include <optional>

// How a CLI card words its account and usage windows.
namespace AccountText {

// The card's account line; no status yet means the first answer is still pending.
QString line(const std::optional<AccountStatus>& status);

// "5 小时 42%", "每周 80%", "2 小时 10%", "90 分钟 5%".
QString windowCaption(const AccountStatus::Window& window);

// "重置于 " and the local date and time of the reset; empty when the server gave none.
QString resetTooltip(const AccountStatus::Window& window);

// The accent colour, orange from 90 per cent, red from 100.
SemanticColor barColor(int usedPercent);

} // namespace AccountText
