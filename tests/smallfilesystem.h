#ifndef SMALLFILESYSTEM_H
#define SMALLFILESYSTEM_H

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// A file system of its own with little room, where one can be had: a tmpfs that root mounts
// on a temporary folder. filled() then leaves no room at all, as a full disk does. Elsewhere
// none, with the reason in whyNot(), and the caller falls back on limiting file sizes.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(int kibibytes = 256)
    {
        if (::geteuid() != 0) {
            m_whyNot = QStringLiteral("only root may mount a small file system");
            return;
        }
        const int status = QProcess::execute(QStringLiteral("mount"),
            { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                QStringLiteral("size=%1k").arg(kibibytes), QStringLiteral("tmpfs"), m_dir.path() });
        m_mounted = status == 0;
        if (!m_mounted)
            m_whyNot = QStringLiteral("mount -t tmpfs failed (%1)").arg(status);
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), { m_dir.path() });
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNot() const { return m_whyNot; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Takes up whatever room is left.
    bool filled() const
    {
        QFile filler(filePath(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) { }
        const QByteArray byte(1, 'f');
        while (filler.write(byte) == 1) { }
        return true;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_whyNot;
};

#endif
