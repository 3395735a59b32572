#include "rawpty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

bool openRawPty(RawPty *pty, QString *errorText)
{
    if (::openpty(&pty->masterFd, &pty->slaveFd, nullptr, nullptr, nullptr) != 0) {
        if (errorText)
            *errorText = QStringLiteral("Cannot open a pseudo-terminal: %1")
                             .arg(QString::fromLocal8Bit(std::strerror(errno)));
        pty->masterFd = pty->slaveFd = -1;
        return false;
    }
    termios settings {};
    ::tcgetattr(pty->slaveFd, &settings);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B19200);
    ::tcsetattr(pty->slaveFd, TCSANOW, &settings);
    ::fcntl(pty->masterFd, F_SETFL, ::fcntl(pty->masterFd, F_GETFL) | O_NONBLOCK);
    ::fcntl(pty->masterFd, F_SETFD, FD_CLOEXEC);
    ::fcntl(pty->slaveFd, F_SETFD, FD_CLOEXEC);

    char path[64] = {};
    ::ttyname_r(pty->slaveFd, path, sizeof path);
    pty->slavePath = QString::fromLocal8Bit(path);
    return true;
}
