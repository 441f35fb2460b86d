#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <utility>

#include <gtest/gtest.h>

/**
 * @brief Gives each test its own HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and TMPDIR under one
 * temporary folder, and a data folder path inside it that does not exist yet. The previous
 * values come back afterwards, so the next test's temporary folder lands in the usual place.
 * The instance list's file, its backup and their folder are named there too (none is created).
 */
class StoreTestEnvironment : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    /** @brief <data home>/Marlvane/<name>; the Marlvane folder is not created. */
    QString dataFile(const QString& name) const;
    /** @brief The names in a folder, hidden ones included, sorted. */
    static QStringList entries(const QString& folder);

    QList<std::pair<const char*, std::optional<QByteArray>>> m_saved;
    QTemporaryDir m_root;
    QString m_dataHome;
    QString m_url;
    QString m_backup;
    QString m_folder;
};
