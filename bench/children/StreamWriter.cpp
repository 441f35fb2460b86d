// The child of the runner benchmark: writes formatted text lines, 64 MiB to standard output and
// 64 MiB to standard error, in alternating 64 KiB blocks, the way a chatty tool would. No Qt, so
// nothing but the writing itself is measured. Usage: marlvane_bench_stream_writer [bytes per stream]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr std::size_t blockSize = 64 * 1024;

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// One block of whole lines, numbered from `line`; the tail is padded to the block's size.
std::size_t fillBlock(char* block, unsigned long long& line, const char* stream)
{
    std::size_t used = 0;
    for (;;) {
        char text[128];
        const int length = std::snprintf(text, sizeof text, "%s %010llu: profile marlvane-cli-%08llx ready\n",
                                         stream, line, line * 2654435761ULL);
        if (used + static_cast<std::size_t>(length) > blockSize) {
            break;
        }
        std::memcpy(block + used, text, static_cast<std::size_t>(length));
        used += static_cast<std::size_t>(length);
        ++line;
    }
    std::memset(block + used, '\n', blockSize - used);
    return blockSize;
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t perStream = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64ULL * 1024 * 1024;
    static char block[blockSize];
    unsigned long long outLine = 0;
    unsigned long long errLine = 0;
    for (std::size_t sent = 0; sent < perStream; sent += blockSize) {
        const std::size_t size = perStream - sent < blockSize ? perStream - sent : blockSize;
        fillBlock(block, outLine, "out");
        if (!writeAll(STDOUT_FILENO, block, size)) {
            return 1;
        }
        fillBlock(block, errLine, "err");
        if (!writeAll(STDERR_FILENO, block, size)) {
            return 1;
        }
    }
    return 0;
}
