#ifndef DISPATCHBENCH_H
#define DISPATCHBENCH_H

#include "summary.h"
#include "traffictimeline.h"

#include <QMap>

// How quickly the dialog answers a complete reply with its next command, with a fixture that
// answers at once, over whole identifications, validations and calibrations: as measured, and
// less the time the dialog's thread waited for a CPU that other programs held.
struct DispatchFigures
{
    QMap<DispatchKind, Summary> latencyMs;
    QMap<DispatchKind, Summary> ownLatencyMs;
    // The same turn answered by a bare thread: what this machine's pseudo-terminals and thread
    // wake-ups cost before any program does anything, after a sampling pause and back to back.
    Summary bareAfterPauseMs;
    Summary bareBackToBackMs;
    int bareAfterPauseOfMs = 0;
    double typicalReplyBytes = 0;
    int sessions = 0;
    int failedSessions = 0;
};

DispatchFigures measureDispatch(int sessions);

#endif
