#include "StartupHeap.h"

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#endif

namespace StartupHeap {

#if defined(__linux__) && defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
bool reserve(std::size_t bytes) noexcept
{
    if (bytes == 0 || bytes > INT_MAX || mallopt(M_TOP_PAD, static_cast<int>(bytes)) != 1) {
        return false;
    }
    const void* const before = sbrk(0);
    // Blocks below the size malloc maps on its own come from the heap; the first that does not
    // fit makes the heap grow by itself and the pad.
    constexpr std::size_t blockBytes = 64 * 1024;
    std::array<void*, 64> blocks{};
    std::size_t taken = 0;
    while (taken < blocks.size() && sbrk(0) == before) {
        blocks[taken] = std::malloc(blockBytes);
        if (blocks[taken] == nullptr) {
            break;
        }
        ++taken;
    }
    for (std::size_t i = 0; i < taken; ++i) {
        std::free(blocks[i]);
    }
    // The free top of the heap, as the frees left it (they give back what exceeds the pad).
    auto* const top = static_cast<char*>(sbrk(0));
    const std::size_t spare = mallinfo2().keepcost;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(top - spare) + page - 1) & ~(page - 1);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(top) & ~(page - 1);
    return end > start && madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE) == 0;
}
#else
bool reserve(std::size_t) noexcept
{
    return false;
}
#endif

} // namespace StartupHeap
