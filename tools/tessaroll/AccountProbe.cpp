#include "AccountProbe.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <csignal>
#include <stdexcept>
#include <unistd.h>

namespace {

// A server that writes more than this without ending a line is not one we can talk to.
constexpr qint64 maximumLine = 16 * 1024 * 1024;
// After its input closes, the server gets this long to end on its own.
constexpr int exitGraceMs = 5000;

// Why the probe could not finish; its text becomes the document's reason.
struct Unavailable : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

QString oneLine(const QString& text)
{
    return text.simplified().left(300);
}

class Session
{
public:
    Session(const QString& executable, const QString& codexHome, std::chrono::milliseconds timeout)
        : m_deadline(timeout)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("CODEX_HOME"), codexHome);
        m_server.setProcessEnvironment(environment);
        m_server.setStandardErrorFile(QProcess::nullDevice()); // it may log what we must not repeat
        m_server.setChildProcessModifier([] { ::setpgid(0, 0); });
        m_server.start(executable, {QStringLiteral("app-server")});
        if (!m_server.waitForStarted(remainingMs())) {
            throw Unavailable("the Codex app server could not be started: " +
                              m_server.errorString().toStdString());
        }
        m_group = static_cast<pid_t>(m_server.processId()); // QProcess forgets it once the server ends
    }

    ~Session()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.closeWriteChannel();
            m_server.waitForFinished(std::min(exitGraceMs, remainingMs()));
        }
        // The group goes too, even when its leader ended: the launcher may have left the server running.
        if (m_group > 0) {
            ::kill(-m_group, SIGKILL);
        }
        m_server.waitForFinished(1000);
    }

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void notify(const QString& method)
    {
        write({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")}, {QStringLiteral("method"), method}});
    }

    // The request's result; an error answer throws std::invalid_argument with the server's message,
    // whose meaning the caller decides.
    QJsonValue request(const QString& method, const QJsonObject& params)
    {
        const int id = ++m_lastId;
        write({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
               {QStringLiteral("id"), id},
               {QStringLiteral("method"), method},
               {QStringLiteral("params"), params}});
        const QJsonObject answer = awaitAnswer(id, method);
        if (answer.contains(QStringLiteral("error"))) {
            throw std::invalid_argument(oneLine(answer.value(QStringLiteral("error"))
                                                    .toObject()
                                                    .value(QStringLiteral("message"))
                                                    .toString())
                                            .toStdString());
        }
        return answer.value(QStringLiteral("result"));
    }

private:
    int remainingMs() const { return static_cast<int>(std::max<qint64>(0, m_deadline.remainingTime())); }

    void write(const QJsonObject& message)
    {
        m_server.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    }

    QJsonObject awaitAnswer(int id, const QString& method)
    {
        for (;;) {
            while (m_server.canReadLine()) {
                const QJsonObject message = QJsonDocument::fromJson(m_server.readLine()).object();
                // Notifications and other traffic are passed over.
                if (message.value(QStringLiteral("id")).toInt(-1) == id) {
                    return message;
                }
            }
            if (m_server.bytesAvailable() > maximumLine) {
                throw Unavailable("the Codex app server sent a line too long to read");
            }
            if (m_deadline.hasExpired()) {
                throw Unavailable("the Codex app server did not answer " + method.toStdString() + " in time");
            }
            if (m_server.state() == QProcess::NotRunning) {
                throw Unavailable("the Codex app server ended before it answered " + method.toStdString());
            }
            m_server.waitForReadyRead(std::min(remainingMs(), 1000));
        }
    }

    QDeadlineTimer m_deadline;
    QProcess m_server;
    pid_t m_group = 0;
    int m_lastId = 0;
};

QJsonValue orNull(const QJsonValue& value)
{
    return value.isUndefined() ? QJsonValue(QJsonValue::Null) : value;
}

QJsonArray windowsOf(const QJsonObject& rateLimits)
{
    QJsonArray windows;
    for (const char* which : {"primary", "secondary"}) {
        const QJsonObject window = rateLimits.value(QLatin1String(which)).toObject();
        if (window.isEmpty()) {
            continue;
        }
        const QJsonValue resetsAt = window.value(QStringLiteral("resetsAt"));
        windows.append(QJsonObject{
            {QStringLiteral("minutes"), orNull(window.value(QStringLiteral("windowDurationMins")))},
            {QStringLiteral("used_percent"), window.value(QStringLiteral("usedPercent")).toInt()},
            {QStringLiteral("resets_at"),
             resetsAt.isDouble()
                 ? QJsonValue(QDateTime::fromSecsSinceEpoch(static_cast<qint64>(resetsAt.toDouble()), Qt::UTC)
                                  .toString(Qt::ISODate))
                 : QJsonValue(QJsonValue::Null)},
        });
    }
    return windows;
}

} // namespace

AccountProbe::AccountProbe(QString executable, QString codexHome, QString clientVersion,
                           std::chrono::milliseconds timeout)
    : m_executable(std::move(executable))
    , m_codexHome(std::move(codexHome))
    , m_clientVersion(std::move(clientVersion))
    , m_timeout(timeout)
{}

QJsonObject AccountProbe::read() const
{
    QJsonObject status{{QStringLiteral("state"), QStringLiteral("unavailable")},
                       {QStringLiteral("auth_mode"), QJsonValue::Null},
                       {QStringLiteral("email"), QJsonValue::Null},
                       {QStringLiteral("plan"), QJsonValue::Null},
                       {QStringLiteral("windows"), QJsonArray()},
                       {QStringLiteral("reason"), QJsonValue::Null}};
    if (m_executable.isEmpty()) {
        status.insert(QStringLiteral("reason"),
                      QStringLiteral("the Codex CLI (codex) was not found on PATH"));
        return status;
    }
    try {
        Session server(m_executable, m_codexHome, m_timeout);
        const QJsonObject clientInfo{{QStringLiteral("name"), QStringLiteral("tessaroll")},
                                     {QStringLiteral("version"), m_clientVersion}};
        try {
            server.request(QStringLiteral("initialize"), {{QStringLiteral("clientInfo"), clientInfo}});
            server.notify(QStringLiteral("initialized"));
        } catch (const std::invalid_argument& error) {
            throw Unavailable(std::string("the Codex app server refused to start a session: ") +
                              error.what());
        }
        QJsonValue account;
        try {
            account =
                server.request(QStringLiteral("account/read"), {{QStringLiteral("refreshToken"), false}})
                    .toObject()
                    .value(QStringLiteral("account"));
        } catch (const std::invalid_argument& error) {
            throw Unavailable(std::string("the Codex app server could not read the account: ") +
                              error.what());
        }
        if (!account.isObject()) {
            status.insert(QStringLiteral("state"), QStringLiteral("signed_out"));
            return status;
        }
        const QJsonObject signedIn = account.toObject();
        const QString mode = signedIn.value(QStringLiteral("type")).toString();
        status.insert(QStringLiteral("state"), QStringLiteral("signed_in"));
        status.insert(QStringLiteral("auth_mode"),
                      mode.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(mode));
        if (mode != QLatin1String("chatgpt")) {
            return status;
        }
        for (const auto& [key, field] : {std::pair{"email", "email"}, std::pair{"plan", "planType"}}) {
            const QJsonValue value = signedIn.value(QLatin1String(field));
            status.insert(QLatin1String(key), value.isString() ? value : QJsonValue(QJsonValue::Null));
        }
        try {
            const QJsonObject usage = server
                                          .request(QStringLiteral("account/rateLimits/read"),
                                                   {{QStringLiteral("excludeResetCreditDetails"), true}})
                                          .toObject();
            status.insert(QStringLiteral("windows"),
                          windowsOf(usage.value(QStringLiteral("rateLimits")).toObject()));
        } catch (const std::exception& error) { // an error answer, or no answer in time
            status.insert(QStringLiteral("reason"), QStringLiteral("the usage could not be read: ") +
                                                        QString::fromStdString(error.what()));
        }
    } catch (const Unavailable& error) {
        status.insert(QStringLiteral("state"), QStringLiteral("unavailable"));
        status.insert(QStringLiteral("reason"), oneLine(QString::fromStdString(error.what())));
    }
    return status;
}
