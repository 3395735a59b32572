#ifndef RAWPTY_H
#define RAWPTY_H

#include <QString>

// A pseudo-terminal pair set up as a serial line is: the slave end raw at 19200 baud, so nothing
// echoes or translates before a program sets its own line settings (an echo would come back as
// a command), the master end non-blocking. Both ends close on exec.
struct RawPty
{
    int masterFd = -1;
    int slaveFd = -1;
    QString slavePath;
};

// Returns false, with the reason in errorText (when given), when no pair can be had.
bool openRawPty(RawPty *pty, QString *errorText);

#endif
