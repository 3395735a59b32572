#ifndef PTYROUNDTRIP_H
#define PTYROUNDTRIP_H

#include <QList>
#include <chrono>

// The floor under any dispatch latency on this machine: a bare thread, no Qt and no dialog,
// answers each complete line on a pseudo-terminal with a three-byte command at once, and each
// turn is timed the way the simulator times the dialog's. The lines come after a pause, as the
// sensor's readings do, because a thread woken from a long sleep is slower to answer than one
// kept busy.
QList<double> ptyRoundTripsMs(int turns, std::chrono::milliseconds pause);

#endif
