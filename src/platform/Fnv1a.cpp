#include "Fnv1a.h"

quint64 Fnv1a::hash64(QByteArrayView bytes)
{
    quint64 hash = 0xcbf29ce484222325ULL;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

QString Fnv1a::hex64(QByteArrayView bytes)
{
    return QString::number(hash64(bytes), 16);
}
