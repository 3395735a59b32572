#ifndef SUMMARY_H
#define SUMMARY_H

#include <QList>
#include <QString>

// Median and 99th percentile of repeated measurements, by nearest rank: with fewer than a
// hundred samples the 99th percentile is the largest one.
struct Summary
{
    qsizetype count = 0;
    double median = 0;
    double p99 = 0;
};

Summary summarize(QList<double> samples);

// "   label   median M  p99 P", the figures to two decimals.
QString summaryLine(const QString &label, const Summary &summary);

#endif
