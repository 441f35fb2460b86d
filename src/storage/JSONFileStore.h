#pragma once

#include "Background.h"
#include "FileOps.h"
#include "FileStoreEngine.h"
#include "JSONFileLoadResult.h"
#include "JsonCoding.h"

#include <QCoroTask>
#include <QString>
#include <QThreadPool>

#include <memory>
#include <optional>
#include <utility>

/**
 * @brief One JSON data file with its ".backup" sibling, coded through JsonCoding<T>.
 *
 * Loads and saves run one at a time on the store's own worker thread, in the order they were
 * requested, so the calling (GUI) thread never waits for the disk. Every failure is a
 * PlatformError that names the file and the reason. Destroying the store waits for the work
 * already requested.
 */
template <typename T> class JSONFileStore final
{
public:
    /** @brief ops = nullptr uses the real file system. */
    JSONFileStore(QString url, T defaultValue, std::shared_ptr<FileOps> ops = nullptr)
        : m_engine(std::make_shared<FileStoreEngine>(std::move(url), std::move(ops)))
        , m_defaultValue(std::move(defaultValue))
        , m_pool(std::make_unique<QThreadPool>())
    {
        m_pool->setMaxThreadCount(1);
    }

    ~JSONFileStore() { m_pool->waitForDone(); }

    JSONFileStore(const JSONFileStore&) = delete;
    JSONFileStore& operator=(const JSONFileStore&) = delete;

    const QString& url() const { return m_engine->url(); }
    /** @brief url + ".backup". */
    QString backupURL() const { return m_engine->backupURL(); }

    /** @brief The main file's value, else the backup's (restoring the main file), else the default. */
    QCoro::Task<JSONFileLoadResult<T>> loadWithRecovery()
    {
        return Background::run(m_pool.get(), [engine = m_engine, fallback = m_defaultValue]() {
            std::optional<T> value;
            const FileStoreEngine::LoadOutcome outcome =
                engine->load([&value](const QByteArray& bytes) { value = JsonCoding<T>::decode(bytes); });
            return JSONFileLoadResult<T>{outcome.decoded ? std::move(*value) : fallback,
                                         outcome.recoveredFromBackup};
        });
    }

    /**
     * @brief Writes the main file, then the backup, then flushes their folder once; only a
     * failure of the main file (or of that flush, which it needs) is reported.
     */
    QCoro::Task<void> save(T value)
    {
        return Background::run(m_pool.get(), [engine = m_engine, value = std::move(value)]() {
            engine->save([&value] { return JsonCoding<T>::encode(value); });
        });
    }

private:
    std::shared_ptr<FileStoreEngine> m_engine;
    T m_defaultValue;
    std::unique_ptr<QThreadPool> m_pool;
};
