#pragma once

/**
 * @brief Lets a pipe hold more than the system's default before its writer has to wait.
 *
 * A child that writes a lot to two pipes otherwise stops every 64 KiB until the reader has
 * caught up. Does nothing where the system cannot resize pipes.
 */
namespace PipeCapacity {
/** @brief The size asked for: Linux's default ceiling for unprivileged processes. */
constexpr int preferredBytes = 1024 * 1024;

/**
 * @brief Asks for preferredBytes on the pipe behind `fd`; failure (not a pipe, over the
 * system's limit) leaves it as it was. Async-signal-safe: callable between fork and exec.
 */
void enlarge(int fd) noexcept;
} // namespace PipeCapacity
