#ifndef REGISTERCSV_H
#define REGISTERCSV_H

#include "auditlists.h"
#include "register.h"
#include "rununcertainty.h"

#include <QByteArray>

// The register's lists as CSV files for a lab's own systems, written like the records' export.
QByteArray sensorsCsv(
    const QList<SensorSummary> &sensors, const QDate &today, const RegisterSettings &settings);
// The runs a fixture's recall names, one line each, oldest first: as a table, and as CSV.
TextTable recallTable(const QList<RecalledRun> &recalled);
QByteArray recallCsv(const QList<RecalledRun> &recalled);
// Each run's readings with their uncertainty and the verdict under the lab's rule.
QByteArray sensorHistoryCsv(const QList<RunSummary> &runs, const LabRecords &lab = {});

#endif
