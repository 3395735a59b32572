#ifndef CHARTSCALE_H
#define CHARTSCALE_H

#include <QList>
#include <QString>

// Where the ticks of a chart's axes stand and what they say: arithmetic only, so the tests
// check numbers without painting anything.
struct Tick
{
    double value;
    QString label;
};

// Ticks at round steps (1, 2 or 5 times a power of ten) covering low to high, at most maxTicks.
QList<Tick> numberTicks(double low, double high, int maxTicks);
// Ticks on a time axis in milliseconds since the epoch, at most maxTicks: at whole years, months
// or days, labelled as dates; within a day, at round hours, minutes or seconds, labelled as
// clock times.
QList<Tick> timeTicks(qint64 fromMs, qint64 toMs, int maxTicks);

// The range an axis shows for values from low to high: a little room around them, and some
// height where they are all one value.
struct AxisRange
{
    double low;
    double high;
};
AxisRange paddedRange(double low, double high);

// Where a value falls between two pixels (top to bottom, or left to right) on an axis.
double toPixel(double value, const AxisRange &range, double fromPixel, double toPixel);

#endif
