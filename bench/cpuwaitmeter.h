#ifndef CPUWAITMETER_H
#define CPUWAITMETER_H

#include <QtGlobal>

// How long one thread has spent ready to run but waiting for a CPU, from the scheduler's own
// statistics. On a machine shared with other work that wait is the other work's doing, so a
// figure less this wait is what the measured code itself took.
class CpuWaitMeter
{
public:
    // Meters the calling thread; waitedNs() may be read from any thread.
    CpuWaitMeter();
    ~CpuWaitMeter();
    CpuWaitMeter(const CpuWaitMeter &) = delete;
    CpuWaitMeter &operator=(const CpuWaitMeter &) = delete;

    // Since the thread started; always 0 where the kernel keeps no scheduler statistics.
    qint64 waitedNs() const;

private:
    int m_statsFd;
};

#endif
