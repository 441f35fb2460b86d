#include "StartupHeap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
// How many of the pages in [begin, end) are resident.
std::size_t residentPages(char* begin, char* end)
{
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) & ~(page - 1);
    const std::uintptr_t stop = reinterpret_cast<std::uintptr_t>(end) & ~(page - 1);
    if (stop <= start) {
        return 0;
    }
    std::vector<unsigned char> flags((stop - start) / page);
    if (mincore(reinterpret_cast<void*>(start), stop - start, flags.data()) != 0) {
        return 0;
    }
    std::size_t resident = 0;
    for (const unsigned char flag : flags) {
        resident += flag & 1U;
    }
    return resident;
}

// The reserved pages are there before anything touches them, and start-up's small allocations
// are served from them without the heap growing again.
TEST(StartupHeapTest, ReservedPagesAreResidentAndServeLaterAllocations)
{
    constexpr std::size_t bytes = 1024 * 1024;
    ASSERT_TRUE(StartupHeap::reserve(bytes));
    auto* const top = static_cast<char*>(sbrk(0));
    const std::size_t spare = mallinfo2().keepcost;
    ASSERT_GE(spare, bytes);
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    EXPECT_GE(residentPages(top - spare, top), spare / page - 1);

    std::vector<void*> pieces;
    for (int i = 0; i < 4096; ++i) { // 4096 * 128 B: half of what was reserved
        pieces.push_back(std::malloc(128));
    }
    EXPECT_EQ(sbrk(0), top);
    for (void* piece : pieces) {
        std::free(piece);
    }
}
#endif

TEST(StartupHeapTest, NothingIsReservedForZeroBytes)
{
    EXPECT_FALSE(StartupHeap::reserve(0));
}

} // namespace
