#include "ptyroundtrip.h"

#include "clocks.h"

#include <QByteArray>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char replyLine[] = "1000pS/m, Cond\r\n";
constexpr char command[] = "V5\r";
constexpr qsizetype commandLength = sizeof command - 1;

bool waitReadable(int fd)
{
    pollfd watched { fd, POLLIN, 0 };
    return ::poll(&watched, 1, -1) > 0 && (watched.revents & POLLIN);
}

// Answers every complete line until the other end hangs up.
void answerLines(int fd)
{
    QByteArray received;
    char buffer[256];
    while (waitReadable(fd)) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            return;
        received.append(buffer, count);
        if (received.contains("\r\n")) {
            received.clear();
            [[maybe_unused]] const ssize_t written = ::write(fd, command, commandLength);
        }
    }
}

qint64 timeOneTurn(int fd)
{
    const qint64 sentAtNs = monotonicNs();
    [[maybe_unused]] const ssize_t written = ::write(fd, replyLine, sizeof replyLine - 1);
    qsizetype answered = 0;
    char buffer[16];
    while (answered < commandLength && waitReadable(fd)) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            return -1;
        answered += count;
    }
    return monotonicNs() - sentAtNs;
}

}

QList<double> ptyRoundTripsMs(int turns, std::chrono::milliseconds pause)
{
    int masterFd = -1;
    int slaveFd = -1;
    if (::openpty(&masterFd, &slaveFd, nullptr, nullptr, nullptr) != 0)
        qFatal("cannot open a pseudo-terminal: %s", std::strerror(errno));
    termios settings {};
    ::tcgetattr(slaveFd, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(slaveFd, TCSANOW, &settings);

    std::thread answerer(answerLines, slaveFd);
    QList<double> latenciesMs;
    for (int turn = 0; turn < turns; ++turn) {
        std::this_thread::sleep_for(pause);
        const qint64 latencyNs = timeOneTurn(masterFd);
        if (latencyNs >= 0)
            latenciesMs.append(nsToMs(latencyNs));
    }
    // Closing the master hangs up the answerer's end, which ends its loop.
    ::close(masterFd);
    answerer.join();
    ::close(slaveFd);
    return latenciesMs;
}
