#ifndef PACEDLINE_H
#define PACEDLINE_H

#include <QString>
#include <atomic>
#include <chrono>
#include <deque>
#include <thread>

struct pollfd;

// The fixture's serial line between the simulator's pseudo-terminal and the program: every byte
// takes one character time at 19200 baud, in each direction, and no byte overtakes another. The
// program opens portPath() in place of the simulator's port.
class PacedLine
{
public:
    // A start bit, eight data bits and a stop bit.
    static constexpr std::chrono::nanoseconds characterTime { 10 * 1000000000LL / 19200 };

    explicit PacedLine(const QString &instrumentPath);
    ~PacedLine();
    PacedLine(const PacedLine &) = delete;
    PacedLine &operator=(const PacedLine &) = delete;

    QString portPath() const { return m_portPath; }
    // Bytes delivered so far, both ways together.
    qint64 bytesCarried() const { return m_bytesCarried; }
    // How long the line has lain idle until the instrument spoke again: the instrument's own
    // time, such as a sensor sampling, that no program could save.
    qint64 instrumentPauseNs() const { return m_instrumentPauseNs; }

private:
    struct InFlight
    {
        qint64 dueAtNs;
        char byte;
    };
    struct Direction
    {
        int from;
        int to;
        std::deque<InFlight> inFlight;
        qint64 lineFreeAtNs = 0;
    };

    void openEnds(const QString &instrumentPath);
    void run();
    void take(pollfd &source, Direction &direction);
    void noteInstrumentPause(qint64 nowNs);
    void deliverDue(Direction &direction, qint64 nowNs);
    qint64 nextDueAtNs() const;

    int m_instrumentFd = -1;
    int m_masterFd = -1;
    int m_slaveFd = -1;
    int m_wakePipe[2] = { -1, -1 };
    QString m_portPath;
    Direction m_toProgram;
    Direction m_toInstrument;
    std::atomic<qint64> m_bytesCarried { 0 };
    std::atomic<qint64> m_instrumentPauseNs { 0 };
    std::thread m_thread;
};

#endif
