// The reader of the core's "doctor --json" document on arbitrary bytes: it either throws
// PlatformError saying what is wrong, or fills both records.

#include "DoctorPayload.h"
#include "FuzzCheck.h"
#include "PlatformError.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        // Reading is a pure function of the bytes.
        const DoctorPayload payload = DoctorPayload::read(bytes);
        const DoctorPayload again = DoctorPayload::read(QByteArray(bytes));
        FUZZ_REQUIRE(payload.desktop == again.desktop && payload.cli == again.cli);
    } catch (const PlatformError& error) {
        FUZZ_REQUIRE(!error.description().isEmpty());
    }
    return 0;
}
