#ifndef STARTUPBENCH_H
#define STARTUPBENCH_H

#include "summary.h"

// One program's start, stage by stage, over its launches.
struct StartupStages
{
    Summary loadMs; // process created -> its own code runs (libraries loaded and initialised)
    Summary applicationMs; // -> the application object is made
    Summary windowBuildMs; // -> its first window is built
    Summary firstFrameMs; // -> that window's first frame is painted
    Summary shownMs; // the whole: process created -> first frame
    Summary peakKb;
};

// The utility's start and memory against a minimal Qt Widgets program built in the same tree,
// showing an empty window and, as a second yardstick, one line of text. Each is started afresh
// as a child process, taking turns.
struct StartupComparison
{
    StartupStages utility;
    StartupStages minimal;
    StartupStages minimalWithText;
    int launches = 0;
    int failedLaunches = 0;
};

StartupComparison measureStartup(int launches);

#endif
