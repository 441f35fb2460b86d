#pragma once

#include <QtGlobal>

/**
 * @brief A child in a process group of its own, so that it can be ended together with every
 * process it started.
 */
namespace ProcessGroup {
/** @brief Makes the calling process the leader of a new group. Async-signal-safe: callable
 * between fork and exec. */
void lead() noexcept;

/**
 * @brief Kills (SIGKILL) every process in the group that `leader` leads. A group that is gone
 * is no error; a leader that is not a process id (0, 1 or less) is ignored, so that neither our
 * own group nor every process is ever hit.
 */
void end(qint64 leader) noexcept;
} // namespace ProcessGroup
