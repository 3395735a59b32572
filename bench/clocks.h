#ifndef CLOCKS_H
#define CLOCKS_H

#include <QtGlobal>
#include <chrono>
#include <ctime>

// The steady clock is the system's monotonic clock, so a moment taken in a child process can be
// set against one taken in the benchmark itself.
inline qint64 monotonicNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// CPU time of the whole process, all threads, to the nanosecond; getrusage would round to the
// scheduler's accounting.
inline qint64 processCpuNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

inline double nsToMs(qint64 ns)
{
    return double(ns) / 1e6;
}

#endif
