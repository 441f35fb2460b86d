// The instance file decoder on arbitrary bytes. The direct reader either declines or gives
// exactly the general decoder's records; the decoder throws the general decoder's PlatformError
// or returns a list that survives a save and a load unchanged, and whose saved form the direct
// reader takes.

#include "FuzzCheck.h"
#include "InstanceListReader.h"
#include "JsonCoding.h"
#include "PlatformError.h"

#include <cstdint>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using Instances = QList<CodexInstance>;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    std::optional<Instances> general;
    QString generalError;
    try {
        general = JsonCoding<Instances>::decodeGeneric(bytes);
    } catch (const PlatformError& error) {
        generalError = error.description();
        FUZZ_REQUIRE(!generalError.isEmpty());
    }
    const std::optional<Instances> direct = InstanceListReader::read(bytes);
    FUZZ_REQUIRE(!direct || direct == general);

    Instances decoded;
    try {
        decoded = JsonCoding<Instances>::decode(bytes);
    } catch (const PlatformError& error) {
        FUZZ_REQUIRE(!general && error.description() == generalError);
        return 0;
    }
    FUZZ_REQUIRE(decoded == general);
    const QByteArray saved = JsonCoding<Instances>::encode(decoded);
    FUZZ_REQUIRE(InstanceListReader::read(saved) == decoded);
    const Instances reloaded = JsonCoding<Instances>::decodeGeneric(saved);
    FUZZ_REQUIRE(reloaded == decoded);
    FUZZ_REQUIRE(JsonCoding<Instances>::encode(reloaded) == saved);
    return 0;
}
