// What the adapter makes of the core's output on arbitrary bytes: the list output splits into
// non-empty pieces without line breaks that together keep every other character in order, and
// a failed run always yields a trimmed, non-empty message.

#include "FuzzCheck.h"
#include "ProcessResult.h"
#include "TessarollCLIAdapter.h"

#include <cstdint>

namespace {

bool isLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x0A || u == 0x0B || u == 0x0C || u == 0x0D || u == 0x85 || u == 0x2028 || u == 0x2029;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ProcessResult result;
    result.stdout = bytes;
    const QString text = result.stdoutString();

    const QStringList lines = TessarollCLIAdapter::profileLines(text);
    QString joined;
    for (const QString& line : lines) {
        FUZZ_REQUIRE(!line.isEmpty());
        for (const QChar c : line) {
            FUZZ_REQUIRE(!isLineBreak(c));
        }
        joined += line;
    }
    QString withoutBreaks;
    for (const QChar c : text) {
        if (!isLineBreak(c)) {
            withoutBreaks += c;
        }
    }
    FUZZ_REQUIRE(joined == withoutBreaks);

    // The same bytes as a failed run: the first half on standard error, the rest on output.
    ProcessResult failed;
    failed.stderr = bytes.left(bytes.size() / 2);
    failed.stdout = bytes.mid(bytes.size() / 2);
    failed.exitCode = bytes.isEmpty() ? 1 : static_cast<qint8>(bytes.front());
    const QString message = TessarollCLIAdapter::message(failed);
    FUZZ_REQUIRE(!message.isEmpty());
    FUZZ_REQUIRE(message == message.trimmed());
    return 0;
}
