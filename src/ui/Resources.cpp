#include "Resources.h"

#include <QResource>

// Q_INIT_RESOURCE must be used outside of any namespace.
static void initialiseResources()
{
    Q_INIT_RESOURCE(marlvane);
}

void Resources::ensureRegistered()
{
    static const bool registered = [] {
        initialiseResources();
        return true;
    }();
    Q_UNUSED(registered);
}

QByteArray Resources::data(const QString& path)
{
    ensureRegistered();
    const QResource resource(path);
    if (!resource.isValid()) {
        return {};
    }
    if (resource.compressionAlgorithm() == QResource::NoCompression) {
        // The resource data stays mapped for the whole run.
        return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size());
    }
    return resource.uncompressedData();
}
