#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

/** @brief A project folder the user opened in a terminal or in VS Code. Identity: `path`. */
struct RecentProject
{
    QString path;        ///< standardised absolute path
    QString displayName; ///< last path component when it was recorded
    QDateTime lastOpenedAt;

    const QString& id() const { return path; }

    QJsonObject toJson() const;
    /** @brief Throws PlatformError when a key is missing or mistyped. */
    static RecentProject fromJson(const QJsonObject& object);

    bool operator==(const RecentProject& other) const;
};

size_t qHash(const RecentProject& project, size_t seed = 0) noexcept;
