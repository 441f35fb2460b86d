#include "MarlvaneApp.h"
#include "SingleInstanceGuard.h"

#include <QApplication>

#include <chrono>
#include <cstdio>

namespace {
// How long a second start waits for the running copy to answer before it gives up.
constexpr std::chrono::seconds handOverPatience{5};
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marlvane"));
    QApplication::setOrganizationName(QStringLiteral("Marlvane"));

    // Two copies on one data folder would lose each other's changes: a later start brings the
    // running copy's window forward and leaves.
    SingleInstanceGuard guard(SingleInstanceGuard::runtimeFolder(), QStringLiteral("marlvane"));
    switch (guard.claim(handOverPatience)) {
    case SingleInstanceGuard::Claim::first:
        break;
    case SingleInstanceGuard::Claim::handedOver:
        return 0;
    case SingleInstanceGuard::Claim::unreachable:
        std::fprintf(stderr, "marlvane: %s; not starting a second copy.\n", qPrintable(guard.errorText()));
        return 1;
    case SingleInstanceGuard::Claim::unguarded:
        std::fprintf(stderr, "marlvane: %s; cannot make sure that only one copy runs.\n",
                     qPrintable(guard.errorText()));
        break;
    }

    MarlvaneApp marlvane;
    QObject::connect(&guard, &SingleInstanceGuard::activationRequested, &marlvane, &MarlvaneApp::activate);
    marlvane.show();
    return QApplication::exec();
}
