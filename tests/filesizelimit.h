#ifndef FILESIZELIMIT_H
#define FILESIZELIMIT_H

#include <QtGlobal>
#include <csignal>
#include <sys/resource.h>

// While it lives, no file this process writes may grow past the limit: a write beyond it fails
// as it would on a full disk, and root is bound by it too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
        : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_original);
        rlimit limited = m_original;
        limited.rlim_cur = static_cast<rlim_t>(bytes);
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_original);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    void (*m_oldHandler)(int);
    rlimit m_original {};
};

#endif
