#pragma once

#include <QtGlobal>

/**
 * @brief Asks the system to back a large buffer with huge pages (Linux transparent huge pages).
 *
 * Filling fresh memory otherwise costs one page fault per 4 KiB, which virtual machines make
 * expensive; a huge page takes one fault per 2 MiB. Only the whole huge pages inside the range
 * are advised, so small buffers are left alone. Does nothing where the system has no such advice.
 */
namespace HugePages {
/** @brief The huge page size in bytes, or 0 where there are none to ask for. */
qsizetype size() noexcept;

/** @brief Advises the whole huge pages inside [begin, begin + length); failures are ignored. */
void advise(void* begin, qsizetype length) noexcept;
} // namespace HugePages
