#include "VSCodeWorkspaceDocument.h"

#include "JsonWriter.h"

#include <QJsonArray>

QJsonObject VSCodeWorkspaceDocument::toJson() const
{
    QJsonArray array;
    for (const Folder& folder : folders) {
        array.append(QJsonObject{{QStringLiteral("path"), folder.path}});
    }
    return QJsonObject{{QStringLiteral("folders"), array}};
}

QByteArray VSCodeWorkspaceDocument::encoded() const
{
    return JsonWriter::pretty(toJson(), JsonWriter::Slashes::Unescaped);
}
