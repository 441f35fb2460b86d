#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <exception>
#include <optional>
#include <utility>

#include <gtest/gtest.h>

/**
 * @brief Gives each test its own HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and TMPDIR under one
 * temporary folder (restored afterwards), and names the instance list's file, its backup and
 * their data folder there (none is created).
 */
class StoreTestEnvironment : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    /** @brief The names in a folder, hidden ones included, sorted. */
    static QStringList entries(const QString& folder);
    /** @brief The file's bytes; nothing when it is no readable regular file. */
    static std::optional<QByteArray> content(const QString& path);
    /** @brief Hidden entries: what an atomic write leaves behind when it does not clean up. */
    static QStringList temporaries(const QString& folder);
    /** @brief Full paths of the damaged copies kept beside `path`, sorted. */
    static QStringList damagedCopies(const QString& path);
    static bool keptAside(const QString& path, const QByteArray& bytes);
    /** @brief Expects a PlatformError naming `path` and saying `reason`, with errno `code` unless -1. */
    static void expectError(std::exception_ptr thrown, const QString& path, const QString& reason = {},
                            int code = -1);

    QList<std::pair<const char*, std::optional<QByteArray>>> m_saved;
    QTemporaryDir m_root;
    QString m_dataHome;
    QString m_url;
    QString m_backup;
    QString m_folder;
};
