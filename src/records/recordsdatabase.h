#ifndef RECORDSDATABASE_H
#define RECORDSDATABASE_H

#include "recordevent.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <chrono>
#include <optional>

// The calibration records: one SQLite file, records.sqlite, in the program's data folder. Each
// connection is named and belongs to the thread that opened it; one writer connection per
// database lives on the records thread, and every reader opens its own.
namespace RecordsDatabase {

// How long a connection waits for another program's write to finish before it gives up.
inline constexpr std::chrono::milliseconds defaultBusyTimeout { 1500 };
// The schema this program writes; older files are brought up to it when opened for writing.
inline constexpr int schemaVersion = 1;

QString defaultPath();
// The calibration history earlier versions kept beside it, imported once.
QString legacyHistoryPath(const QString &databasePath);

// Opens the file for writing, creating it when it is not there: WAL journal, every commit
// synced to disk, foreign keys on, the busy timeout, the schema brought up to date. A file that
// is not a database, or fails the integrity check, is moved aside as
// records.corrupt-<time>.sqlite, never deleted, and a new one started; movedAsideTo then names
// where it went.
bool openForWriting(const QString &path, const QString &connectionName, QString *error,
    QString *movedAsideTo = nullptr, bool checkIntegrity = true);
// Opens an existing file for reading only; nothing read through it can change it.
bool openForReading(const QString &path, const QString &connectionName, QString *error);
void close(const QString &connectionName);

// The identifier these records were given when they were begun.
QByteArray databaseIdentity(QSqlDatabase &db);

// The newest event's hash, none for an empty database.
std::optional<QByteArray> lastHash(QSqlDatabase &db, QString *error);
// Adds the event after the newest one, in one transaction of its own, and gives its hash.
bool appendEvent(QSqlDatabase &db, const RecordEvent &event, QString *error);
// Adds the events in one transaction: all of them or none.
bool appendEvents(QSqlDatabase &db, const QList<RecordEvent> &events, QString *error);

// A stored event as read back, with its place in the chain.
struct StoredEvent
{
    qint64 seq = 0;
    RecordEvent event;
    QByteArray storedPayload;
    QByteArray hash;
};

// An event as a query over the events' columns reads it, from the column of its sequence
// number on: seq, id, run, kind, utc_ms, utc_offset_s, sensor_serial, fixture_serial, verdict,
// payload, hash.
StoredEvent storedEventOf(const QSqlQuery &query, int firstColumn = 0);

// Reads the events in their order, from after the given sequence number, handing each to the
// visitor; it stops early when the visitor returns false.
bool readEvents(QSqlDatabase &db, qint64 afterSeq,
    const std::function<bool(const StoredEvent &)> &visitor, QString *error);
// The events of one run, in order.
QList<StoredEvent> eventsOfRun(QSqlDatabase &db, const QUuid &run, QString *error);

// Only the tests shorten the busy timeout and limit the file's size.
void setBusyTimeoutForTesting(std::chrono::milliseconds timeout);
void setMaxPageCountForTesting(int pages);
}

#endif
