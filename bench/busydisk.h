#ifndef BUSYDISK_H
#define BUSYDISK_H

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

// Another program on the same file system as the calibration records, writing a file and
// syncing it to disk over and over, as a backup or a large copy would.
class BusyDisk
{
public:
    explicit BusyDisk(const QString &folder)
        : m_file(QDir(folder).filePath(QStringLiteral("busy-disk.bin")))
    {
        QDir().mkpath(folder);
        m_writer.start(QStringLiteral("sh"),
            { QStringLiteral("-c"),
                QStringLiteral("while :; do dd if=/dev/zero of=\"$0\" bs=1M count=64 "
                               "conv=fsync status=none; done"),
                m_file });
        m_writer.waitForStarted();
    }
    ~BusyDisk()
    {
        m_writer.kill();
        m_writer.waitForFinished();
        QFile::remove(m_file);
    }
    BusyDisk(const BusyDisk &) = delete;
    BusyDisk &operator=(const BusyDisk &) = delete;

private:
    QString m_file;
    QProcess m_writer;
};

#endif
