#ifndef REGISTERBENCH_H
#define REGISTERBENCH_H

#include "recordsbench.h"
#include "summary.h"

// The register window on a big lab's records: from start to the painted sensors list, one
// sensor's page with both charts, one keystroke in the filter, a run's audit trail, a fixture's
// recall over its last interval and over all the records, and the peak memory; beside each, what
// SQLite alone needs for that view's queries, in the same run.
struct RegisterFigures
{
    int launches = 0;
    int failedLaunches = 0;
    Summary listMs, sensorPageMs, keystrokeMs, peakMiB;
    Summary listQueriesMs, sensorQueriesMs;
    Summary auditTrailMs, auditTrailQueriesMs, recallMs, recallQueriesMs;
    Summary intervalRecallMs, intervalRecallQueriesMs;
    int recalledRuns = 0, intervalRuns = 0; // listed by the recalls timed
};

RegisterFigures measureRegister(const QString &databasePath, int launches);
QStringList registerFigureLines(const RegisterFigures &figures);
QList<Goal> registerGoals(const RegisterFigures &figures);

#endif
