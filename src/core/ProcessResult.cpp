#include "ProcessResult.h"

// QString::fromUtf8 replaces every invalid sequence with U+FFFD and keeps everything else.
QString ProcessResult::stdoutString() const
{
    return QString::fromUtf8(stdout);
}

QString ProcessResult::stderrString() const
{
    return QString::fromUtf8(stderr);
}
