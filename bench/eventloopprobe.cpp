#include "eventloopprobe.h"

#include "clocks.h"

#include <algorithm>
#include <chrono>

namespace {
constexpr std::chrono::milliseconds probeInterval { 1 };
}

EventLoopProbe::EventLoopProbe()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(probeInterval);
    connect(&m_timer, &QTimer::timeout, this, &EventLoopProbe::tick);
}

void EventLoopProbe::start()
{
    m_longestGapNs = 0;
    m_longestOwnGapNs = 0;
    m_lastWaitedNs = m_cpuWait.waitedNs();
    m_lastTickNs = monotonicNs();
    m_timer.start();
}

EventLoopProbe::LongestBlock EventLoopProbe::stop()
{
    tick();
    m_timer.stop();
    const qint64 intervalNs = std::chrono::nanoseconds(probeInterval).count();
    return { std::max<qint64>(0, m_longestGapNs - intervalNs),
        std::max<qint64>(0, m_longestOwnGapNs - intervalNs) };
}

void EventLoopProbe::tick()
{
    const qint64 nowNs = monotonicNs();
    const qint64 waitedNs = m_cpuWait.waitedNs();
    const qint64 gapNs = nowNs - m_lastTickNs;
    m_longestGapNs = std::max(m_longestGapNs, gapNs);
    m_longestOwnGapNs = std::max(m_longestOwnGapNs, gapNs - (waitedNs - m_lastWaitedNs));
    m_lastTickNs = nowNs;
    m_lastWaitedNs = waitedNs;
}
