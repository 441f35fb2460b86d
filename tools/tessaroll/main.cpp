#include "Commands.h"
#include "DesktopApp.h"
#include "ProfileStore.h"
#include "ToolError.h"

#include <QByteArrayList>
#include <QCoreApplication>

#include <cstdio>

// tessaroll: keeps one Codex home per profile and starts the Codex CLI or ChatGPT Desktop on one.
int main(int argc, char** argv)
{
    // Taken before QCoreApplication may edit argv, so "cli" hands the CLI exactly what it was given.
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QByteArray(argv[i]));
    }
    QCoreApplication application(argc, argv); // QProcess needs an event dispatcher

    try {
        Commands commands(ProfileStore::fromEnvironment(), DesktopApp::forThisMachine());
        const int code = commands.run(arguments);
        std::fflush(stdout);
        return code;
    } catch (const ToolError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tessaroll: %s\n", error.message().toLocal8Bit().constData());
        return error.exitCode();
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tessaroll: %s\n", error.what());
        return ToolError::Failure;
    }
}
