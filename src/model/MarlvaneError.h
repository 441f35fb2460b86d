#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/** @brief A failure the application detects itself, with its fixed Chinese user message. */
class MarlvaneError : public std::exception
{
public:
    enum class Kind
    {
        coreFailure,
        coreNotFound,
        invalidName,
        unmanagedProfile,
        profileMissing,
        desktopNotInstalled,
        cliNotInstalled,
        vscodeNotInstalled,
        projectMissing,
    };

    static MarlvaneError coreFailure(const QString& message);
    static MarlvaneError coreNotFound();
    static MarlvaneError invalidName();
    static MarlvaneError unmanagedProfile();
    static MarlvaneError profileMissing();
    static MarlvaneError desktopNotInstalled();
    static MarlvaneError cliNotInstalled();
    static MarlvaneError vscodeNotInstalled();
    static MarlvaneError projectMissing();

    /** @brief The user message; present for every case. */
    QString errorDescription() const;
    const char* what() const noexcept override { return m_utf8.constData(); }

    bool operator==(const MarlvaneError& other) const;

private:
    MarlvaneError(Kind kind, QString payload);

    Kind m_kind;
    QString m_payload;
    QByteArray m_utf8;
};
