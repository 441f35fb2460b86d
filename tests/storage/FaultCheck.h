#pragma once

#include "CodexInstance.h"
#include "FileOps.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/** @brief Records and file checks shared by the fault tests of the store. */
namespace FaultCheck {

using Instances = QList<CodexInstance>;

/** @brief A CLI instance record whose fields all derive from `name` and `n`. */
CodexInstance instance(const QString& name, int n);
/** @brief `count` records named after `tag`. */
Instances instances(const QString& tag, int count);
/** @brief The bytes the store writes for the list. */
QByteArray encoded(const Instances& value);

/** @brief The file's bytes, or nothing when there is no such file (a folder reads as nothing). */
std::optional<QByteArray> content(const QString& path);
/** @brief Hidden entries of a folder: what an atomic write leaves behind when it does not clean up. */
QStringList temporaries(const QString& folder);
/** @brief Full paths of the damaged copies kept beside `path`, sorted. */
QStringList damagedCopies(const QString& path);
/** @brief Whether one of the damaged copies beside `path` holds exactly these bytes. */
bool keptAside(const QString& path, const QByteArray& bytes);

const char* kindName(FileOps::Kind kind);
const char* errnoName(int code);

} // namespace FaultCheck
