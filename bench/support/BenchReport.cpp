#include "BenchReport.h"

#include <cstdio>

void BenchReport::figure(const QString& name, double value)
{
    std::printf("figure %s %.4f\n", name.toUtf8().constData(), value);
    std::fflush(stdout);
}

int BenchReport::failed(const QString& message)
{
    std::fprintf(stderr, "benchmark failed: %s\n", message.toUtf8().constData());
    return 2;
}
