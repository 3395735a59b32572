#ifndef PGCLUSTER_H
#define PGCLUSTER_H

#include <QString>
#include <QTemporaryDir>

// A throwaway PostgreSQL server of our own, for the tests and the benchmark: scripts/pgcluster
// makes it in a temporary folder and runs it as an unprivileged account, on a Unix socket in
// that folder and on a free TCP port where passwords are asked. Removed when this goes.
class PgCluster
{
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    // False, and why in error(), when the server's programs are missing or it would not start.
    bool start();
    // At once, as a crash or a pulled plug would, when immediate; else as its owner would.
    bool stop(bool immediate = false);
    QString error() const { return m_error; }

    // The owner's connection over the socket, where no password is asked.
    QString ownerServer() const;
    // A role's connection over the socket, as a bench on the same computer would.
    QString socketServer(
        const QString &role, const QString &database = QStringLiteral("postgres")) const;
    // A role's connection over TCP, as a bench across the network would: a password is asked.
    QString tcpServer(const QString &role) const;
    int port() const;

private:
    bool script(const QString &command, const QStringList &extra = {});

    QTemporaryDir m_dir;
    QString m_error;
};

#endif
