#pragma once

#include "CodexInstanceType.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

/** @brief A managed instance record, stored in "instances.json". */
struct CodexInstance
{
    QUuid id;
    QString displayName;
    CodexInstanceType type = CodexInstanceType::desktop;
    QString profileId;
    QDateTime createdAt;
    std::optional<QDateTime> lastUsedAt;

    /** @brief Built-in record for the core's "default" profile in ChatGPT Desktop. */
    static const CodexInstance& defaultDesktop();
    /** @brief Built-in record for the core's "default" profile in the Codex CLI. */
    static const CodexInstance& defaultCLI();

    /** @brief Whether this record stands for the core's built-in profile (ProfileID::builtIn()). */
    bool isBuiltIn() const;

    QJsonObject toJson() const;
    /** @brief Throws PlatformError naming the key when a required key is missing or mistyped. */
    static CodexInstance fromJson(const QJsonObject& object);

    bool operator==(const CodexInstance& other) const;
};

size_t qHash(const CodexInstance& instance, size_t seed = 0) noexcept;
