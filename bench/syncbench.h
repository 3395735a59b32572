#ifndef SYNCBENCH_H
#define SYNCBENCH_H

#include "recordsbench.h"
#include "summary.h"

// The records flowing to a lab's PostgreSQL server on this computer: a backlog drained, and the
// time from an event's local commit to the server's commit while the server is idle; beside
// each, the server's own time for the same rows inserted bare, in the same run.
struct SyncFigures
{
    QString failure; // why nothing could be measured; empty when all went well
    qint64 backlogEvents = 0;
    double drainSeconds = 0;
    double uncheckedSeconds = 0; // the same into a register without the chain check
    double bareSeconds = 0; // the same rows, same statements, into a table with no trigger
    Summary arrivalMs; // local commit -> visible on the server
    Summary bareInsertMs; // one row inserted and committed on its own
};

class PgCluster;

// A throwaway cluster started with the lab's register set up on it; why not, where it cannot be.
QString startRegister(PgCluster &cluster);
// The time the sender takes to send every event of the records; why it failed in failure.
double drainSeconds(const QString &records, const QString &server, QString *failure);

SyncFigures measureSync(int backlogRuns, int arrivals);
QStringList syncFigureLines(const SyncFigures &figures);
QList<Goal> syncGoals(const SyncFigures &figures);

#endif
