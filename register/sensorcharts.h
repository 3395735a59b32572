#ifndef SENSORCHARTS_H
#define SENSORCHARTS_H

#include "register.h"
#include "rununcertainty.h"
#include "timechart.h"

// One sensor's history as chart panels: its constants over time (as found at each run, and the
// new ones where they were stored), and each step's readings against the step's bounds, so
// drift toward a bound shows before a step fails.
QList<ChartPanel> constantsPanels(const QList<RunSummary> &runs);
// Each reading with its expanded uncertainty as the lab's records give it.
QList<ChartPanel> readingsPanels(const QList<RunSummary> &runs, const LabRecords &lab = {});

#endif
