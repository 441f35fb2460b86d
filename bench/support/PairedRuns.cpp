#include "PairedRuns.h"

#include <QTextStream>

#include <algorithm>
#include <cstdio>

QList<PairedRuns::Pair> PairedRuns::measure(int pairs, const Run& subject, const Run& floor, int warmups)
{
    for (int i = 0; i < warmups; ++i) {
        subject();
        floor();
    }
    QList<Pair> measured;
    for (int i = 0; i < pairs; ++i) {
        Pair pair;
        pair.subject = subject();
        pair.floor = floor();
        measured.append(pair);
    }
    return measured;
}

double PairedRuns::median(QList<double> values)
{
    if (values.isEmpty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    if (values.size() % 2 == 1) {
        return values.at(middle);
    }
    return (values.at(middle - 1) + values.at(middle)) / 2;
}

double PairedRuns::medianRatio(const QList<Pair>& pairs)
{
    QList<double> ratios;
    for (const Pair& pair : pairs) {
        ratios.append(pair.ratio());
    }
    return median(ratios);
}

void PairedRuns::describe(const QString& name, const QList<Pair>& pairs, const QString& unit)
{
    QTextStream err(stderr);
    for (const Pair& pair : pairs) {
        err << name << QStringLiteral(": subject ") << QString::number(pair.subject, 'f', 2) << ' ' << unit
            << QStringLiteral(" / floor ") << QString::number(pair.floor, 'f', 2) << ' ' << unit
            << QStringLiteral(" = ") << QString::number(pair.ratio(), 'f', 3) << '\n';
    }
}
