#ifndef VERIFYBENCH_H
#define VERIFYBENCH_H

#include "recordsbench.h"
#include "summary.h"

// `cvu-records verify` on a big lab's records, as an auditor runs it: the local check alone,
// with the comparison against the lab's server holding the same events (as when a server is
// set), and every bench's chain on the server (verify --server); beside the time the sqlite3
// shell needs to read every row of the same events, in the same run.
struct VerifyFigures
{
    QString failure; // why nothing could be measured; empty when all went well
    qint64 events = 0;
    double drainSeconds = 0; // the events sent to the server first
    Summary localSeconds, comparedSeconds, serverSeconds, sqliteSeconds;
};

VerifyFigures measureVerify(const QString &records, qint64 events, int repeats);
QStringList verifyFigureLines(const VerifyFigures &figures);
QList<Goal> verifyGoals(const VerifyFigures &figures);

#endif
