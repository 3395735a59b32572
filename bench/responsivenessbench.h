#ifndef RESPONSIVENESSBENCH_H
#define RESPONSIVENESSBENCH_H

#include "summary.h"

// How long the dialog keeps its event loop from turning during each of a number of validations.
struct BlockFigures
{
    Summary longestBlockMs;
    // Less the time the dialog's thread waited for a CPU that other programs held.
    Summary longestOwnBlockMs;
    int validations = 0;
    int failedValidations = 0;
};

// The blocks of validations, and what CPU the dialog uses while nothing happens: waiting for a
// fixture that does not answer, and resting after identification until the technician chooses
// a run.
struct ResponsivenessFigures
{
    BlockFigures blocks;
    Summary waitingCpuPercent;
    Summary idleCpuPercent;
};

ResponsivenessFigures measureResponsiveness(int validations, int cpuWindows);

// The blocks of validations while another program keeps the disk that holds the calibration
// history busy with writes and syncs.
BlockFigures measureUnderBusyDisk(int validations);

#endif
