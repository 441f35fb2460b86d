// The recent-project file decoder on arbitrary bytes: it either throws PlatformError or returns a
// list that survives a save and a load unchanged.

#include "FuzzCheck.h"
#include "JsonCoding.h"
#include "PlatformError.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QList<RecentProject> decoded;
    try {
        decoded = JsonCoding<QList<RecentProject>>::decode(bytes);
    } catch (const PlatformError& error) {
        FUZZ_REQUIRE(!error.description().isEmpty());
        return 0;
    }
    const QByteArray saved = JsonCoding<QList<RecentProject>>::encode(decoded);
    const QList<RecentProject> reloaded = JsonCoding<QList<RecentProject>>::decode(saved);
    FUZZ_REQUIRE(reloaded == decoded);
    FUZZ_REQUIRE(JsonCoding<QList<RecentProject>>::encode(reloaded) == saved);
    return 0;
}
