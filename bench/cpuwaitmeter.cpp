#include "cpuwaitmeter.h"

#include <QByteArray>
#include <QList>
#include <fcntl.h>
#include <unistd.h>

CpuWaitMeter::CpuWaitMeter()
    : m_statsFd(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC))
{ }

CpuWaitMeter::~CpuWaitMeter()
{
    if (m_statsFd >= 0)
        ::close(m_statsFd);
}

qint64 CpuWaitMeter::waitedNs() const
{
    // Time on a CPU, time waiting for one, and the number of slices; reading from the start
    // again gives fresh figures without reopening.
    char text[96];
    const ssize_t count = m_statsFd < 0 ? -1 : ::pread(m_statsFd, text, sizeof text - 1, 0);
    if (count <= 0)
        return 0;
    return QByteArray(text, count).split(' ').value(1).toLongLong();
}
