#include "SingleInstanceGuard.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <utility>

namespace {
const QByteArray activateMessage = QByteArrayLiteral("activate\n");
const QByteArray answerMessage = QByteArrayLiteral("ok\n");
} // namespace

SingleInstanceGuard::SingleInstanceGuard(QString folder, QString name, QObject* parent)
    : QObject(parent)
    , m_folder(std::move(folder))
    , m_name(std::move(name))
    , m_lock(path(QStringLiteral(".lock")))
{
    // A running copy holds its lock for as long as it likes; only a dead holder makes it stale.
    m_lock.setStaleLockTime(0);
}

SingleInstanceGuard::~SingleInstanceGuard() = default;

QString SingleInstanceGuard::runtimeFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstanceGuard::path(const QString& suffix) const
{
    return m_folder + QLatin1Char('/') + m_name + suffix;
}

SingleInstanceGuard::Claim SingleInstanceGuard::claim(std::chrono::milliseconds patience)
{
    m_error.clear();
    if (m_folder.isEmpty()) {
        m_error = QStringLiteral("there is no private runtime folder to keep a lock in");
        return Claim::unguarded;
    }
    const QDeadlineTimer deadline(patience);
    // The holder may be between taking the lock and listening, or just quitting: ask again
    // until one of the two answers or the time is up.
    for (;;) {
        if (m_lock.tryLock(0)) {
            listen();
            return Claim::first;
        }
        if (m_lock.error() != QLockFile::LockFailedError) {
            m_error = QStringLiteral("cannot take the lock %1").arg(path(QStringLiteral(".lock")));
            return Claim::unguarded;
        }
        if (askRunningCopy(static_cast<int>(deadline.remainingTime()))) {
            return Claim::handedOver;
        }
        if (deadline.hasExpired()) {
            qint64 pid = 0;
            QString host;
            QString application;
            m_lock.getLockInfo(&pid, &host, &application);
            m_error = QStringLiteral("another copy is running (process %1) but did not answer within %2 ms")
                          .arg(pid)
                          .arg(patience.count());
            return Claim::unreachable;
        }
        QThread::msleep(50);
    }
}

bool SingleInstanceGuard::askRunningCopy(int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(path(QStringLiteral(".socket")));
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    socket.write(activateMessage);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    return socket.readLine() == answerMessage;
}

void SingleInstanceGuard::listen()
{
    const QString socketPath = path(QStringLiteral(".socket"));
    // Holding the lock makes a socket file found here one that a dead copy left behind.
    QLocalServer::removeServer(socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath)) {
        qWarning("Cannot listen on %s (%s); later copies will not reach this one.", qPrintable(socketPath),
                 qPrintable(m_server->errorString()));
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
}

void SingleInstanceGuard::answer(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        return;
    }
    if (socket->readLine() == activateMessage) {
        socket->write(answerMessage);
        socket->flush();
        emit activationRequested();
    }
    socket->disconnectFromServer();
}
