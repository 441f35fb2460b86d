#include "PipeCapacity.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

void PipeCapacity::enlarge(int fd) noexcept
{
#if defined(Q_OS_LINUX) && defined(F_SETPIPE_SZ)
    // Only fcntl here: this runs in a freshly forked child, before exec. A pipe that is already
    // larger is left alone rather than shrunk.
    const int current = ::fcntl(fd, F_GETPIPE_SZ);
    if (current >= 0 && current < preferredBytes) {
        ::fcntl(fd, F_SETPIPE_SZ, preferredBytes);
    }
#else
    Q_UNUSED(fd);
#endif
}
