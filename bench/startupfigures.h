#ifndef STARTUPFIGURES_H
#define STARTUPFIGURES_H

#include <QByteArray>
#include <optional>

// What a start-up subject tells the benchmark on its standard output, in one line: the moments
// it reached each stage of its start, on the monotonic clock, and its peak resident memory.
struct StartupFigures
{
    qint64 mainAtNs = 0; // the program's own code starts: libraries loaded and initialised
    qint64 applicationAtNs = 0; // the application object is made: the platform is up
    qint64 windowBuiltAtNs = 0; // the first window is built, not yet shown
    qint64 shownAtNs = 0; // the first window's first frame is painted
    qint64 peakRssKb = 0;

    QByteArray line() const;
    static std::optional<StartupFigures> parse(const QByteArray &output);
};

// The process's peak resident set (VmHWM), or 0 where /proc cannot tell.
qint64 peakResidentKb();

#endif
