#ifndef SIMULATORTHREAD_H
#define SIMULATORTHREAD_H

#include "fixturesimulator.h"

#include <QThread>

// The fixture simulator on a thread of its own. Replies then never wait behind the dialog's
// events, nor the dialog's events behind the simulator's work: a latency measured across the
// pseudo-terminal is the dialog's alone.
class SimulatorThread
{
public:
    explicit SimulatorThread(const SimulatorOptions &options);
    ~SimulatorThread();
    SimulatorThread(const SimulatorThread &) = delete;
    SimulatorThread &operator=(const SimulatorThread &) = delete;

    FixtureSimulator &simulator() const { return *m_simulator; }
    QString portPath() const { return m_simulator->portPath(); }

private:
    QThread m_thread;
    FixtureSimulator *m_simulator;
};

#endif
