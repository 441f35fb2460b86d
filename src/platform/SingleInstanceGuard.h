#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>

class QLocalServer;
class QLocalSocket;

/**
 * @brief Keeps a program to one copy per runtime folder, that is one per user session.
 *
 * The first copy takes a lock file in the folder and listens on a local socket beside it. A later
 * copy finds the lock held, asks the first through the socket to come forward and waits for its
 * answer. A lock left by a process that no longer runs does not count.
 */
class SingleInstanceGuard final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstanceGuard)

public:
    enum class Claim
    {
        first,       ///< this process holds the lock and answers later copies
        handedOver,  ///< the running copy was asked to come forward and said it did
        unreachable, ///< a running copy holds the lock but did not answer in time
        unguarded,   ///< the folder cannot hold the lock: nothing keeps a second copy out
    };

    /** @brief Guards `name` (the lock and socket file names) in `folder`. */
    SingleInstanceGuard(QString folder, QString name, QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    /** @brief The user's private runtime folder, or empty when there is none Qt accepts. */
    static QString runtimeFolder();

    /**
     * @brief Becomes the first copy, or hands over to the running one within `patience`.
     * Blocks until decided; the first copy answers later ones from its event loop.
     */
    Claim claim(std::chrono::milliseconds patience);
    /** @brief Why the last claim was unreachable or unguarded. */
    QString errorText() const { return m_error; }

signals:
    /** @brief A later copy asked this one to come forward. */
    void activationRequested();

private:
    QString path(const QString& suffix) const;
    void listen();
    void answer(QLocalSocket* socket);
    bool askRunningCopy(int timeoutMs) const;

    QString m_folder;
    QString m_name;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
    QString m_error;
};
