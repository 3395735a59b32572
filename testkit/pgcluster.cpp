#include "pgcluster.h"

#include <QFile>
#include <QProcess>

namespace {
constexpr int scriptPatienceMs = 120000;

QString contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}
}

PgCluster::PgCluster()
    : m_dir(QStringLiteral("/tmp/cvu-pgcluster-XXXXXX"))
{
    // The server's account must reach its folder, which is made for this one alone.
    QFile::setPermissions(m_dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
            | QFile::ReadGroup | QFile::ExeGroup);
}

PgCluster::~PgCluster()
{
    script(QStringLiteral("remove"));
}

bool PgCluster::start()
{
    return m_dir.isValid() && script(QStringLiteral("start"));
}

bool PgCluster::stop(bool immediate)
{
    return script(QStringLiteral("stop"),
        immediate ? QStringList { QStringLiteral("immediate") } : QStringList {});
}

QString PgCluster::ownerServer() const
{
    return contentsOf(m_dir.filePath(QStringLiteral("conninfo")));
}

QString PgCluster::socketServer(const QString &role, const QString &database) const
{
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
        .arg(m_dir.filePath(QStringLiteral("socket")))
        .arg(port())
        .arg(role, database);
}

QString PgCluster::tcpServer(const QString &role) const
{
    return QStringLiteral("host=127.0.0.1 port=%1 user=%2 dbname=postgres").arg(port()).arg(role);
}

int PgCluster::port() const
{
    return contentsOf(m_dir.filePath(QStringLiteral("port"))).toInt();
}

bool PgCluster::script(const QString &command, const QStringList &extra)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(
        QStringLiteral(CVU_PGCLUSTER_SCRIPT), QStringList { command, m_dir.path() } + extra);
    const bool done = process.waitForFinished(scriptPatienceMs)
        && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    m_error = done ? QString() : QString::fromLocal8Bit(process.readAll()) + process.errorString();
    return done;
}
