#ifndef FILESIZELIMIT_H
#define FILESIZELIMIT_H

#include <QtGlobal>
#include <csignal>
#include <sys/resource.h>

// Runs work while no file this process writes may grow past the limit: a write beyond it fails
// as it would on a full disk, and root is bound by it too.
template <typename Work> auto withFileSizeLimit(qint64 bytes, Work work)
{
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit original {};
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit limited = original;
    limited.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limited);
    const auto result = work();
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

#endif
