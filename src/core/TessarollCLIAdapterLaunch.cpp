// Placeholder until the launch operations land; replaced by their implementation.
#include "MarlvaneError.h"
#include "TessarollCLIAdapter.h"

QCoro::Task<void> TessarollCLIAdapter::launchDesktop(QString)
{
    throw MarlvaneError::coreFailure(QStringLiteral("not available yet"));
    co_return;
}
QCoro::Task<void> TessarollCLIAdapter::launchCLI(QString, QString)
{
    throw MarlvaneError::coreFailure(QStringLiteral("not available yet"));
    co_return;
}
QCoro::Task<void> TessarollCLIAdapter::launchVSCode(QString, QString)
{
    throw MarlvaneError::coreFailure(QStringLiteral("not available yet"));
    co_return;
}
