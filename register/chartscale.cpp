#include "chartscale.h"

#include <QDateTime>
#include <cmath>

namespace {
constexpr double paddingShare = 0.08;
constexpr qint64 secondMs = 1000;
constexpr qint64 minuteMs = 60 * secondMs;
constexpr qint64 hourMs = 60 * minuteMs;
constexpr qint64 dayMs = 24 * hourMs;

// Round clock times from the first day's midnight: the finest step that gives no more ticks
// than asked.
QList<Tick> clockTicks(qint64 fromMs, qint64 toMs, int maxTicks)
{
    static const qint64 steps[] = { secondMs, 2 * secondMs, 5 * secondMs, 10 * secondMs,
        15 * secondMs, 30 * secondMs, minuteMs, 2 * minuteMs, 5 * minuteMs, 10 * minuteMs,
        15 * minuteMs, 30 * minuteMs, hourMs, 2 * hourMs, 3 * hourMs, 6 * hourMs, 12 * hourMs };
    const qint64 midnight
        = QDateTime::fromMSecsSinceEpoch(fromMs).date().startOfDay().toMSecsSinceEpoch();
    for (const qint64 step : steps) {
        if ((toMs - fromMs) / step + 1 > maxTicks && step != steps[std::size(steps) - 1])
            continue;
        const QString format
            = step < minuteMs ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
        QList<Tick> ticks;
        for (qint64 ms = midnight + (fromMs - midnight + step - 1) / step * step; ms <= toMs;
             ms += step)
            ticks.append({ double(ms), QDateTime::fromMSecsSinceEpoch(ms).toString(format) });
        return ticks;
    }
    return {};
}

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
    if (toMs - fromMs < dayMs)
        return clockTicks(fromMs, toMs, maxTicks);
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
