#pragma once

#include <cstddef>

/**
 * @brief Backs the heap that start-up fills with memory in one step.
 *
 * Start-up allocates most of a megabyte in small pieces (the system's font configuration, the
 * font database, the widgets). Each fresh 4 KiB page of that costs a page fault, which virtual
 * machines make expensive (about 12 microseconds here, against 1 for a page that the system
 * fills in a batch). Linux with glibc only; elsewhere nothing happens.
 */
namespace StartupHeap {
/**
 * @brief Grows the heap by about `bytes` and has every new page filled at once. From then on
 * the heap keeps `bytes` to spare when it grows or gives memory back.
 * @return whether the pages were filled (false: not supported here, or the system refused).
 */
bool reserve(std::size_t bytes) noexcept;
} // namespace StartupHeap
