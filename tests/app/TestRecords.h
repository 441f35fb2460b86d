#pragma once

#include "CodexInstance.h"
#include "RecentProject.h"

#include <QStringList>

#include <optional>
#include <ostream>

// The one record builder of the tests.
namespace TestRecords {
/** @brief A date from "YYYY-MM-DDTHH:MM:SSZ". */
QDateTime at(const char* iso);
/** @brief A record as the application creates it: profile "marlvane-<type>-<its own id>". */
CodexInstance managed(const QString& name, CodexInstanceType type, const QDateTime& createdAt,
                      std::optional<QDateTime> lastUsedAt = std::nullopt);
/** @brief A record for a profile the core already had. */
CodexInstance imported(const QString& name, const QString& profileId, CodexInstanceType type,
                       const QDateTime& createdAt);
QStringList names(const QList<CodexInstance>& instances);
QStringList paths(const QList<RecentProject>& projects);
} // namespace TestRecords

// Readable failure output for Qt texts in gtest assertions.
void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QStringList& texts, std::ostream* out);
