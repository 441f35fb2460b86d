#include "FakeCore.h"

#include "TempDir.h"

#include <QFile>

FakeCore::FakeCore(const QString& folder)
    : m_folder(folder)
{
    const QByteArray dir = QFile::encodeName(folder);
    const QByteArray script =
        "#!/bin/sh\n"
        "dir='" +
        dir +
        "'\n"
        "printf '[%s]' \"$@\" >> \"$dir/calls.log\"; echo >> \"$dir/calls.log\"\n"
        "printf '%s|%s|%s' \"$TESSAROLL_NO_UPDATE_CHECK\" \"$DO_NOT_TRACK\" \"$(pwd -P)\""
        " > \"$dir/environment.log\"\n"
        "[ -f \"$dir/$1.hang\" ] && exec sleep 1000\n"
        "[ -f \"$dir/$1.out\" ] && cat \"$dir/$1.out\"\n"
        "[ -f \"$dir/$1.err\" ] && cat \"$dir/$1.err\" >&2\n"
        "[ -f \"$dir/$1.code\" ] && exit \"$(cat \"$dir/$1.code\")\"\n"
        "exit 0\n";
    TestFiles::write(path(), script);
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void FakeCore::respond(const QString& command, const QByteArray& out, const QByteArray& err, int exitCode)
{
    const QString base = m_folder + QLatin1Char('/') + command;
    TestFiles::write(base + QStringLiteral(".out"), out);
    TestFiles::write(base + QStringLiteral(".err"), err);
    TestFiles::write(base + QStringLiteral(".code"), QByteArray::number(exitCode));
}

void FakeCore::hang(const QString& command)
{
    TestFiles::write(m_folder + QLatin1Char('/') + command + QStringLiteral(".hang"), {});
}

QStringList FakeCore::calls() const
{
    const QString log = QString::fromUtf8(TestFiles::read(m_folder + QStringLiteral("/calls.log")));
    return log.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString FakeCore::lastEnvironment() const
{
    return QString::fromUtf8(TestFiles::read(m_folder + QStringLiteral("/environment.log")));
}
