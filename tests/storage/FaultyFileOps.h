#pragma once

#include "FileOps.h"

#include <QList>
#include <QMutex>

#include <memory>
#include <optional>

/**
 * @brief A FileOps that passes every call to another one (the real file system by default)
 * but makes one chosen call fail with a chosen errno value, without performing it.
 *
 * Calls are counted from 1, all fallible kinds together or one kind alone; exists() is never
 * counted and never fails. A failed close still releases the descriptor, as close(2) does.
 */
class FaultyFileOps final : public FileOps
{
public:
    explicit FaultyFileOps(std::shared_ptr<FileOps> inner = FileOps::real());

    /** @brief The nth fallible call from now on, of any kind, fails with code. */
    void failNth(int nth, int code);
    /** @brief The nth call of this kind from now on fails with code. */
    void failNth(Kind kind, int nth, int code);
    /** @brief Every call of this kind fails with code, until reset(). */
    void failAll(Kind kind, int code);
    /** @brief No more failures; the log of calls starts empty again. */
    void reset();

    /** @brief The kinds of the calls since the last reset(), the failed one included. */
    QList<Kind> calls() const;
    /** @brief Whether the chosen failure has happened. */
    bool triggered() const;

    TempFile createTemp(const QString& folder, const QString& baseName) override;
    void write(int fd, const QByteArray& bytes, const QString& path) override;
    void fsync(int fd, const QString& path) override;
    void close(int fd, const QString& path) override;
    void rename(const QString& from, const QString& to) override;
    void chmod(const QString& path, mode_t mode) override;
    void mkdir(const QString& path, mode_t mode) override;
    void fsyncDirectory(const QString& path) override;
    QByteArray readAll(const QString& path) override;
    bool exists(const QString& path) override;
    void remove(const QString& path) override;

private:
    /** @brief Records the call; returns the errno value when this call is to fail. */
    std::optional<int> enter(Kind kind);
    void check(Kind kind, const QString& path);

    std::shared_ptr<FileOps> m_inner;
    mutable QMutex m_mutex;
    QList<Kind> m_calls;
    std::optional<Kind> m_kind;
    int m_remaining = 0;
    bool m_always = false;
    int m_code = 0;
    bool m_triggered = false;
};
