#include "pacedline.h"

#include "clocks.h"
#include "rawpty.h"

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr qint64 never = std::numeric_limits<qint64>::max();

timespec toTimespec(qint64 ns)
{
    return { time_t(ns / 1000000000), long(ns % 1000000000) };
}

void writeAll(int fd, const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count
            = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (count > 0)
            written += count;
        else if (count < 0 && errno == EINTR)
            continue;
        else
            return; // a full line with nobody reading loses bytes, as a UART would
    }
}

}

PacedLine::PacedLine(const QString &instrumentPath)
{
    openEnds(instrumentPath);
    m_toProgram.from = m_instrumentFd;
    m_toProgram.to = m_masterFd;
    m_toInstrument.from = m_masterFd;
    m_toInstrument.to = m_instrumentFd;
    m_thread = std::thread([this] { run(); });
}

PacedLine::~PacedLine()
{
    const char stop = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakePipe[1], &stop, 1);
    m_thread.join();
    for (const int fd : { m_instrumentFd, m_masterFd, m_slaveFd, m_wakePipe[0], m_wakePipe[1] })
        ::close(fd);
}

void PacedLine::openEnds(const QString &instrumentPath)
{
    m_instrumentFd = ::open(
        instrumentPath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    RawPty pty;
    QString error;
    if (m_instrumentFd < 0 || !openRawPty(&pty, &error)
        || ::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        qFatal("cannot set up the paced line: %s %s", qPrintable(error), std::strerror(errno));
    m_masterFd = pty.masterFd;
    m_slaveFd = pty.slaveFd;
    m_portPath = pty.slavePath;
}

void PacedLine::run()
{
    // The default timer slack of 50 us is a tenth of a character time.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    pollfd watched[] = { { m_instrumentFd, POLLIN, 0 }, { m_masterFd, POLLIN, 0 },
        { m_wakePipe[0], POLLIN, 0 } };
    for (;;) {
        const qint64 nowNs = monotonicNs();
        deliverDue(m_toProgram, nowNs);
        deliverDue(m_toInstrument, nowNs);
        const qint64 dueAtNs = nextDueAtNs();
        const timespec wait = toTimespec(std::max<qint64>(0, dueAtNs - nowNs));
        if (::ppoll(watched, 3, dueAtNs == never ? nullptr : &wait, nullptr) < 0 && errno != EINTR)
            return;
        if (watched[2].revents != 0)
            return;
        take(watched[0], m_toProgram);
        take(watched[1], m_toInstrument);
    }
}

void PacedLine::take(pollfd &source, Direction &direction)
{
    if (!(source.revents & POLLIN)) {
        // A hung-up end would wake us for ever; it has nothing more to say.
        if (source.revents & (POLLHUP | POLLERR | POLLNVAL))
            source.fd = -1;
        return;
    }
    char buffer[256];
    const ssize_t count = ::read(source.fd, buffer, sizeof buffer);
    const qint64 nowNs = monotonicNs();
    if (count > 0 && &direction == &m_toProgram)
        noteInstrumentPause(nowNs);
    for (ssize_t at = 0; at < count; ++at) {
        direction.lineFreeAtNs = std::max(nowNs, direction.lineFreeAtNs) + characterTime.count();
        direction.inFlight.push_back({ direction.lineFreeAtNs, buffer[at] });
    }
}

void PacedLine::noteInstrumentPause(qint64 nowNs)
{
    const qint64 lineIdleSinceNs = std::max(m_toProgram.lineFreeAtNs, m_toInstrument.lineFreeAtNs);
    // Before the first byte the line was not waiting for anyone.
    if (lineIdleSinceNs > 0 && lineIdleSinceNs < nowNs)
        m_instrumentPauseNs += nowNs - lineIdleSinceNs;
}

void PacedLine::deliverDue(Direction &direction, qint64 nowNs)
{
    QByteArray due;
    while (!direction.inFlight.empty() && direction.inFlight.front().dueAtNs <= nowNs) {
        due += direction.inFlight.front().byte;
        direction.inFlight.pop_front();
    }
    if (due.isEmpty())
        return;
    writeAll(direction.to, due);
    m_bytesCarried += due.size();
}

qint64 PacedLine::nextDueAtNs() const
{
    qint64 dueAtNs = never;
    for (const Direction *direction : { &m_toProgram, &m_toInstrument }) {
        if (!direction->inFlight.empty())
            dueAtNs = std::min(dueAtNs, direction->inFlight.front().dueAtNs);
    }
    return dueAtNs;
}
