// The figures the bench programs print: median, min and max of several runs, one table row each,
// in the same layout as the rows bench/run.sh prints.
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace tolvan::bench {

struct Stats
{
    double median = 0, min = 0, max = 0;
};

inline Stats statsOf(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

// Runs `once` (which returns its own elapsed milliseconds, so set-up stays out) `runs` times.
inline Stats measure(int runs, const std::function<double()> &once)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(once());
    return statsOf(times);
}

inline QString ms(double value)
{
    return value >= 100 ? QString::number(value, 'f', 0) : QString::number(value, 'f', 2);
}

inline void row(const QString &what, const Stats &s, const QString &comparison,
                double comparisonMedian, const QString &target = {}, bool holds = true)
{
    const double ratio = comparisonMedian > 0 ? s.median / comparisonMedian : 0;
    const QString vs = comparison.isEmpty()
                           ? QStringLiteral("-")
                           : comparison + QStringLiteral(" ") + ms(comparisonMedian);
    QString verdict = target.isEmpty() ? QString()
                                       : target + (holds ? QStringLiteral("  HOLDS")
                                                         : QStringLiteral("  MISSED"));
    std::printf("%-44s %9s %9s %9s   %-32s %7s   %s\n", qPrintable(what), qPrintable(ms(s.median)),
                qPrintable(ms(s.min)), qPrintable(ms(s.max)), qPrintable(vs),
                comparison.isEmpty() ? "-" : qPrintable(QString::number(ratio, 'f', 2)),
                qPrintable(verdict));
    std::fflush(stdout);
}

inline void heading(const char *text)
{
    std::printf("\n%s\n", text);
    std::fflush(stdout);
}

inline double elapsedMs(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace tolvan::bench
