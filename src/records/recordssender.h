#ifndef RECORDSSENDER_H
#define RECORDSSENDER_H

#include "recordsdatabase.h"
#include "serverconnection.h"

#include <QDateTime>
#include <QString>
#include <chrono>
#include <memory>

// Where the records stand with the lab's server.
struct SyncStatus
{
    qint64 waiting = -1; // committed here, not yet acknowledged there; -1 before the first look
    QString lastError; // in words; empty while all goes well
    // What the server's answer showed of the file, in words, for a person to be told: the
    // records end before what the server holds, or differ from it.
    QString notice;
    QDateTime lastSent;
};

// How long the sender waits after a failure before it tries again, doubling each time.
inline constexpr std::chrono::seconds senderFirstRetry { 1 };
inline constexpr std::chrono::seconds senderLongestRetry { 60 };
// How many events go to the server in one transaction.
inline constexpr int senderBatch = 500;

// Sends the committed events of one records database that the lab's server has not yet
// acknowledged, oldest first, in batches, each batch in one server transaction whose inserts
// skip an event the server already has (INSERT ... ON CONFLICT (id) DO NOTHING); the events are
// marked sent here only after the server committed them. A batch cut off half-way is simply
// sent again: nothing is lost, nothing doubled. It asks the server where the records stand
// there when it begins and after a failure, and remembers the server's answer (its last event's
// place and hash); a file that ends before it or differs from it resumes its chain from the
// server's head and says so. It works on a thread of its own, retrying with growing pauses
// while the server cannot be reached, and never holds up a window. Only one program sends a
// database's events at a time: a lock file beside the database says which. A file begun on
// another computer is a copy, and is not sent.
class RecordsSender
{
public:
    // server: a libpq connection string ("host=... dbname=... user=... sslmode=verify-full")
    // or a service name ("service=lab"); passwords come from .pgpass or PGPASSFILE.
    RecordsSender(const QString &databasePath, const QString &server);
    ~RecordsSender();
    RecordsSender(const RecordsSender &) = delete;
    RecordsSender &operator=(const RecordsSender &) = delete;

    SyncStatus status() const;

    // Sends what waits, in this thread, until the server confirms it holds every event of the
    // records, or something fails: for a command run by a timer or a script. True only on the
    // server's word.
    static bool sendAll(const QString &databasePath, const QString &server, SyncStatus *status);

    // The records thread tells every sender of a database the moment it committed an event.
    static void committed(const QString &databasePath);

private:
    class Worker;
    std::unique_ptr<Worker> m_worker;
};

// One INSERT of a whole batch into the named table, each event's values bound in turn: the server
// checks a statement's rows together, and a batch travels in one round trip. The benchmark
// inserts the same rows the same way into a bare table, beside the register.
QString serverInsertStatement(const QString &table, qsizetype rows);
void bindForServer(QSqlQuery &insert, const RecordsDatabase::StoredEvent &stored,
    const QString &bench, const QByteArray &source);

// Only the tests shorten the pauses between tries.
void setSenderRetryForTesting(std::chrono::milliseconds first, std::chrono::milliseconds longest);

#endif
