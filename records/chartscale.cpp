#include "chartscale.h"

#include <QDateTime>
#include <cmath>

namespace {
constexpr double paddingShare = 0.08;

double roundStep(double span, int maxTicks)
{
    const double rough = span / std::max(1, maxTicks - 1);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : { 1.0, 2.0, 5.0, 10.0 }) {
        if (factor * power >= rough)
            return factor * power;
    }
    return 10 * power;
}

int decimalsFor(double step)
{
    return step >= 1 ? 0 : int(std::ceil(-std::log10(step) - 1e-9));
}
}

QList<Tick> numberTicks(double low, double high, int maxTicks)
{
    if (!(high > low) || maxTicks < 2)
        return { { low, QString::number(low) } };
    const double step = roundStep(high - low, maxTicks);
    const int decimals = decimalsFor(step);
    QList<Tick> ticks;
    for (double value = std::ceil(low / step - 1e-9) * step; value <= high + step * 1e-9;
         value += step) {
        const double shown = std::abs(value) < step * 1e-9 ? 0.0 : value;
        ticks.append({ shown, QString::number(shown, 'f', decimals) });
    }
    return ticks;
}

QList<Tick> timeTicks(qint64 fromMs, qint64 toMs, int maxTicks)
{
    const QDate first = QDateTime::fromMSecsSinceEpoch(fromMs).date();
    const QDate last = QDateTime::fromMSecsSinceEpoch(toMs).date();
    // Whole years, months or days: the finest that gives no more ticks than asked.
    const qint64 days = first.daysTo(last);
    struct Step
    {
        int years, months, days;
        const char *format;
    };
    const Step steps[] = { { 0, 0, 1, "yyyy-MM-dd" }, { 0, 0, 7, "yyyy-MM-dd" },
        { 0, 1, 0, "yyyy-MM" }, { 0, 3, 0, "yyyy-MM" }, { 1, 0, 0, "yyyy" }, { 2, 0, 0, "yyyy" },
        { 5, 0, 0, "yyyy" } };
    for (const Step &step : steps) {
        const qint64 stepDays = step.years * 365 + step.months * 30 + step.days;
        if (days / stepDays + 1 > maxTicks && &step != &steps[std::size(steps) - 1])
            continue;
        QDate tick = step.years ? QDate(first.year(), 1, 1)
            : step.months       ? QDate(first.year(), first.month(), 1)
                                : first;
        QList<Tick> ticks;
        while (tick <= last) {
            const qint64 ms = tick.startOfDay().toMSecsSinceEpoch();
            if (ms >= fromMs)
                ticks.append({ double(ms), tick.toString(QLatin1String(step.format)) });
            tick = tick.addYears(step.years).addMonths(step.months).addDays(step.days);
        }
        return ticks;
    }
    return {};
}

AxisRange paddedRange(double low, double high)
{
    if (!(high > low)) {
        const double room = std::max(std::abs(low) * paddingShare, 1.0);
        return { low - room, high + room };
    }
    const double padding = (high - low) * paddingShare;
    return { low - padding, high + padding };
}

double toPixel(double value, const AxisRange &range, double fromPixel, double toPixel)
{
    return fromPixel + (value - range.low) / (range.high - range.low) * (toPixel - fromPixel);
}
