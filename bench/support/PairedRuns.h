#pragma once

#include <QList>
#include <QString>

#include <functional>

/**
 * @brief A figure measured as the median of paired runs: the subject, then its floor, in
 * alternation, so that both halves of a pair see the same state of a noisy machine.
 */
class PairedRuns final
{
public:
    struct Pair
    {
        double subject = 0;
        double floor = 0;
        double ratio() const { return subject / floor; }
    };

    /** @brief One run of either half: returns its measured value (a time or a size). */
    using Run = std::function<double()>;

    /** @brief `warmups` pairs run first and are dropped: they fill caches and folders. */
    static QList<Pair> measure(int pairs, const Run& subject, const Run& floor, int warmups = 1);

    static double medianRatio(const QList<Pair>& pairs);
    static double median(QList<double> values);

    /** @brief "name: subject 12.3 / floor 10.1 = 1.22" lines on standard error, one per pair. */
    static void describe(const QString& name, const QList<Pair>& pairs, const QString& unit);
};
