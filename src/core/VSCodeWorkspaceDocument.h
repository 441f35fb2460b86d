#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

/**
 * @brief The ".code-workspace" document that opens one project folder in VS Code.
 *
 * Only ever written, never read back.
 */
struct VSCodeWorkspaceDocument
{
    /** @brief One folder of the workspace. */
    struct Folder
    {
        QString path; ///< the project folder's standardised path
    };

    QList<Folder> folders;

    QJsonObject toJson() const;
    /** @brief Pretty JSON with sorted keys and "/" unescaped, no line break at the end. */
    QByteArray encoded() const;
};
