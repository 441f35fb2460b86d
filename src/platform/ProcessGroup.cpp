#include "ProcessGroup.h"

#include <csignal>

#include <sys/types.h>
#include <unistd.h>

void ProcessGroup::lead() noexcept
{
    ::setpgid(0, 0);
}

void ProcessGroup::end(qint64 leader) noexcept
{
    // kill(0) would hit our own group and kill(-1) every process we may signal.
    if (leader <= 1) {
        return;
    }
    ::kill(static_cast<pid_t>(-leader), SIGKILL);
}
