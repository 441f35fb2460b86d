// The instance file decoder on arbitrary bytes: it either throws PlatformError or returns a
// list that survives a save and a load unchanged.

#include "FuzzCheck.h"
#include "JsonCoding.h"
#include "PlatformError.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QList<CodexInstance> decoded;
    try {
        decoded = JsonCoding<QList<CodexInstance>>::decode(bytes);
    } catch (const PlatformError& error) {
        FUZZ_REQUIRE(!error.description().isEmpty());
        return 0;
    }
    const QByteArray saved = JsonCoding<QList<CodexInstance>>::encode(decoded);
    const QList<CodexInstance> reloaded = JsonCoding<QList<CodexInstance>>::decode(saved);
    FUZZ_REQUIRE(reloaded == decoded);
    FUZZ_REQUIRE(JsonCoding<QList<CodexInstance>>::encode(reloaded) == saved);
    return 0;
}
