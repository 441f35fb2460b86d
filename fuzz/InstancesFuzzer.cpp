// The instance file decoder on arbitrary bytes: it either throws PlatformError with a message or
// returns a list that survives a save and a load unchanged.

#include "FuzzCheck.h"
#include "JsonCoding.h"
#include "PlatformError.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Instances = QList<CodexInstance>;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Instances decoded;
    try {
        decoded = JsonCoding<Instances>::decode(bytes);
    } catch (const PlatformError& error) {
        FUZZ_REQUIRE(!error.description().isEmpty());
        return 0;
    }
    const QByteArray saved = JsonCoding<Instances>::encode(decoded);
    const Instances reloaded = JsonCoding<Instances>::decode(saved);
    FUZZ_REQUIRE(reloaded == decoded);
    FUZZ_REQUIRE(JsonCoding<Instances>::encode(reloaded) == saved);
    return 0;
}
