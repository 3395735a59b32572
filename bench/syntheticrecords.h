#ifndef SYNTHETICRECORDS_H
#define SYNTHETICRECORDS_H

#include <QList>
#include <QString>

// A big lab's calibration records, made up: runs spread over ten years, each sensor seen again
// and again, three of four runs found out of bounds, calibrated and validated again, each with
// its report. Written straight into the database, a thousand runs to a transaction.
struct SyntheticLab
{
    int runs = 100000;
    int sensors = 2000;
    int fixtures = 20;
};

struct SyntheticFigures
{
    qint64 events = 0;
    qint64 bytes = 0; // of the database file, once written
    // How long each batch of a thousand runs took to add, in the order they were added.
    QList<double> batchMs;
};

// Builds the records of the lab at path, a new file. Empty figures when it could not.
SyntheticFigures buildSyntheticRecords(const QString &path, const SyntheticLab &lab);

inline constexpr int syntheticBatchRuns = 1000;

#endif
