#include "HugePages.h"

#ifdef Q_OS_LINUX
#include <QFile>

#include <sys/mman.h>

#include <cstdint>
#endif

namespace {

#ifdef Q_OS_LINUX
qsizetype readHugePageSize()
{
    QFile file(QStringLiteral("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size"));
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    bool ok = false;
    const qsizetype bytes = file.readAll().trimmed().toLongLong(&ok);
    // The mask arithmetic below needs a power of two.
    return ok && bytes > 0 && (bytes & (bytes - 1)) == 0 ? bytes : 0;
}
#endif

} // namespace

qsizetype HugePages::size() noexcept
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    static const qsizetype bytes = readHugePageSize();
    return bytes;
#else
    return 0;
#endif
}

void HugePages::advise(void* begin, qsizetype length) noexcept
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    const auto huge = static_cast<std::uintptr_t>(size());
    if (huge == 0 || length <= 0) {
        return;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t first = (start + huge - 1) & ~(huge - 1);
    const std::uintptr_t end = (start + static_cast<std::uintptr_t>(length)) & ~(huge - 1);
    if (end > first) {
        // Where transparent huge pages are switched off this fails and the pages stay small.
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
#else
    Q_UNUSED(begin);
    Q_UNUSED(length);
#endif
}
