#include "summary.h"

#include <algorithm>
#include <cmath>

namespace {

double nearestRank(const QList<double> &sorted, double percentile)
{
    const auto rank = qsizetype(std::ceil(percentile / 100 * double(sorted.size())));
    return sorted.at(std::clamp<qsizetype>(rank, 1, sorted.size()) - 1);
}

}

Summary summarize(QList<double> samples)
{
    if (samples.isEmpty())
        return {};
    std::sort(samples.begin(), samples.end());
    return { samples.size(), nearestRank(samples, 50), nearestRank(samples, 99) };
}

QString summaryLine(const QString &label, const Summary &summary)
{
    return QStringLiteral("   %1 median %2  p99 %3")
        .arg(label, -40)
        .arg(summary.median, 8, 'f', 2)
        .arg(summary.p99, 8, 'f', 2);
}
