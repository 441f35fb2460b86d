#pragma once

#include "CodexInstanceType.h"

#include <QString>
#include <QUuid>

#include <optional>

/**
 * @brief The scheme of profile identifiers the application composes:
 * "marlvane-" + type raw value + "-" + UUID (36 characters, written lower case).
 */
namespace ProfileID {

/** @brief "default": the core's own profile, shown as the built-in records and never stored. */
QString builtIn();

struct Components
{
    CodexInstanceType type;
    QUuid id;
    bool operator==(const Components&) const = default;
};

std::optional<Components> parse(const QString& profileID);
bool isManaged(const QString& profileID);
/** @brief "marlvane-<type>-<uuid in lower case>". */
QString compose(CodexInstanceType type, const QUuid& id);

} // namespace ProfileID
