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
