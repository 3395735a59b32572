#ifndef RECORDSBENCH_H
#define RECORDSBENCH_H

#include "recordevent.h"
#include "responsivenessbench.h"
#include "summary.h"
#include "syntheticrecords.h"

#include <QStringList>

// What the calibration records cost: committing one event (the dialog waits for that before the
// sensor's constants are replaced) against a bare sync of a small file, idle and on a busy disk;
// the event loop across a calibration with its store step; and a big lab's database growing.
struct RecordsFigures
{
    Summary commitMs, fsyncMs;
    Summary busyCommitMs, busyFsyncMs;
    BlockFigures storeRuns;
    SyntheticFigures growth;
    int growthRuns = 0;
};

// The growth figures are those of building the big lab's records, passed in.
RecordsFigures measureRecords(
    int commits, int calibrations, const SyntheticFigures &growth, int runs);

// A store event of a run with the sample sensor's constants, made anew each time.
RecordEvent sampleStoreEvent();

struct Goal
{
    QString text;
    bool met;
};
QStringList recordsFigureLines(const RecordsFigures &figures);
QList<Goal> recordsGoals(const RecordsFigures &figures);

#endif
