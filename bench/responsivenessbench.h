#ifndef RESPONSIVENESSBENCH_H
#define RESPONSIVENESSBENCH_H

#include "summary.h"

// How long the dialog keeps its event loop from turning during a validation, and what CPU it
// uses while nothing happens: waiting for a fixture that does not answer, and resting after
// identification until the technician chooses a run.
struct ResponsivenessFigures
{
    Summary longestBlockMs;
    // Less the time the dialog's thread waited for a CPU that other programs held.
    Summary longestOwnBlockMs;
    int validations = 0;
    int failedValidations = 0;
    Summary waitingCpuPercent;
    Summary idleCpuPercent;
};

ResponsivenessFigures measureResponsiveness(int validations, int cpuWindows);

#endif
