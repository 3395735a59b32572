#ifndef WHOLERUNBENCH_H
#define WHOLERUNBENCH_H

#include "fixturesimulator.h"
#include "summary.h"

// Identification, a validation and a calibration up to the store question over a line paced at
// 19200 baud, set against the time the line needs for every byte exchanged both ways, and
// against that time plus the instrument's own pauses, which no program could save.
struct WholeRunFigures
{
    Summary wallMs;
    Summary lineMs;
    Summary wallToLine;
    Summary wallToInstrument;
    Summary addedMs; // wall less line and sensor pauses: the utility's own share of a run
    int runs = 0;
    int failedRuns = 0;
    int misreadRuns = 0;
};

WholeRunFigures measureWholeRuns(int runs, const SimulatorOptions &fixture);

#endif
