#include "simulatorthread.h"

SimulatorThread::SimulatorThread(const SimulatorOptions &options)
    : m_simulator(new FixtureSimulator(options))
{
    m_simulator->moveToThread(&m_thread);
    m_thread.start();
    QString error;
    if (!m_simulator->start(&error))
        qFatal("cannot start the fixture simulator: %s", qPrintable(error));
}

SimulatorThread::~SimulatorThread()
{
    m_simulator->hangUp();
    m_thread.quit();
    m_thread.wait();
    // Its thread has finished, so nothing can be delivering events to it any more.
    delete m_simulator;
}
