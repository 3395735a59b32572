#ifndef REGISTERCSV_H
#define REGISTERCSV_H

#include "register.h"

#include <QByteArray>

// The register's lists as CSV files for a lab's own systems, written like the records' export.
QByteArray sensorsCsv(
    const QList<SensorSummary> &sensors, const QDate &today, const RegisterSettings &settings);
QByteArray sensorHistoryCsv(const QList<RunSummary> &runs);

#endif
