#ifndef RECORDSDATABASE_H
#define RECORDSDATABASE_H

#include "recordevent.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

// The calibration records: one SQLite file, records.sqlite, in the program's data folder. Each
// connection is named and belongs to the thread that opened it; one writer connection per
// database lives on the records thread, and every reader opens its own.
namespace RecordsDatabase {

// How long a connection waits for another program's write to finish before it gives up.
inline constexpr std::chrono::milliseconds defaultBusyTimeout { 1500 };
// The schema this program writes; older files are brought up to it when opened for writing.
inline constexpr int schemaVersion = 2;

QString defaultPath();
// The calibration history earlier versions kept beside it, imported once.
QString legacyHistoryPath(const QString &databasePath);

// Whether records are begun where there are none: only the programs that record events do.
enum class Creation { CreateIfMissing, ExistingOnly };

// Opens the file for writing: WAL journal, every commit synced to disk, foreign keys on, the
// busy timeout, the schema brought up to date. With CreateIfMissing a missing file is begun; a
// file that is not a database, or fails the integrity check, is moved aside as
// records.corrupt-<time>.sqlite, never deleted, and a new one started; movedAsideTo then names
// where it went. A file written by a newer version is refused before anything in it changes.
bool openForWriting(const QString &path, const QString &connectionName, QString *error,
    QString *movedAsideTo = nullptr, bool checkIntegrity = true,
    Creation creation = Creation::CreateIfMissing);
// Opens existing records for reading only. Nothing read through it changes the file or makes
// one beside it: no checkpoint, no migration, no change of journal mode, no log or index file
// owned by whoever reads. A file that is no records database, is damaged or comes from a newer
// version is refused with that reason.
bool openForReading(const QString &path, const QString &connectionName, QString *error);
void close(const QString &connectionName);

// An object of the schema (table, index, trigger) as SQLite keeps it.
struct SchemaObject
{
    QString type, name, table, sql;

    bool operator==(const SchemaObject &other) const
    {
        return type == other.type && name == other.name && table == other.table && sql == other.sql;
    }
};
// The objects of a file's schema, SQLite's own automatic indexes left out.
QList<SchemaObject> schemaObjects(QSqlDatabase &db, QString *error);
// The schema records of this version have: as a file begun by it has it, objects added by
// later migrations as they added them.
QList<SchemaObject> expectedSchema();

// Whether writing a file at outputPath would overwrite these records or one of the files SQLite
// and the sender keep beside them, also through a symbolic link.
bool isRecordsFile(const QString &outputPath, const QString &databasePath);

// What tells these records from any other: the identifier they were given when they were
// begun, and the computer they were begun on.
struct Identity
{
    QByteArray database;
    QString computer;
};
Identity identity(QSqlDatabase &db);
QByteArray databaseIdentity(QSqlDatabase &db);

// A place in the chain of events: an event's sequence number and hash.
struct ChainPosition
{
    qint64 seq = 0;
    QByteArray hash;

    bool operator==(const ChainPosition &other) const
    {
        return seq == other.seq && hash == other.hash;
    }
};

// The newest event's place, seq 0 for empty records.
std::optional<ChainPosition> head(QSqlDatabase &db, QString *error);

// The last event a server confirmed it holds, as the sender remembers it; the server is named
// without any password.
struct Acknowledgement
{
    QString server;
    ChainPosition position;
    // The file's own events up to this one are dealt with: sent, or resumed past.
    qint64 sentThrough = 0;
};
// The acknowledgement that reaches furthest into the chain, of any server; none when no server
// has confirmed anything.
std::optional<Acknowledgement> furthestAcknowledgement(QSqlDatabase &db, QString *error);
std::optional<Acknowledgement> acknowledgement(
    QSqlDatabase &db, const QString &server, QString *error);
bool setAcknowledgement(QSqlDatabase &db, const Acknowledgement &acknowledged, QString *error);

// Adds the events after the newest one, in one transaction: all of them or none. Sequence
// numbers are never given twice: where the records end before what a server acknowledged
// (events removed, or the file put back from an older copy), a "resumed" event first continues
// the chain from that acknowledgement and says so; resumedAt then names where.
bool appendEvents(QSqlDatabase &db, const QList<RecordEvent> &events, QString *error,
    std::optional<ChainPosition> *resumedAt = nullptr);
bool appendEvent(QSqlDatabase &db, const RecordEvent &event, QString *error);
// As appendEvents, inside a transaction the caller began with BEGIN IMMEDIATE.
bool insertEvents(QSqlDatabase &db, const QList<RecordEvent> &events, QString *error,
    std::optional<ChainPosition> *resumedAt = nullptr);

// A stored event as read back, with its place in the chain.
struct StoredEvent
{
    qint64 seq = 0;
    RecordEvent event;
    QByteArray storedPayload;
    QByteArray hash;
};

// The file's chain goes on from the server's head: it ended before it, or has events since
// `common` (the last place both agree on) that the server does not hold. One resumed event,
// after the file's last one and the server's head alike, continues the chain from the server's
// head, keeping those events of the file's as they are stored; the sender goes on from there.
// resumedAt names where it went.
bool resumeFromServer(QSqlDatabase &db, const QString &server, const ChainPosition &serverHead,
    qint64 common, QString *error, ChainPosition *resumedAt = nullptr);

// An event as a query over the events' columns reads it, from the column of its sequence
// number on: seq, id, run, kind, utc_ms, utc_offset_s, sensor_serial, fixture_serial, verdict,
// payload, hash. Without decoding, the payload is left as stored only.
enum class Decoding { Payload, StoredOnly };
StoredEvent storedEventOf(
    const QSqlQuery &query, int firstColumn = 0, Decoding decoding = Decoding::Payload);

// Reads the events in their order, from after the given sequence number, handing each to the
// visitor; it stops early when the visitor returns false.
bool readEvents(QSqlDatabase &db, qint64 afterSeq,
    const std::function<bool(const StoredEvent &)> &visitor, QString *error,
    Decoding decoding = Decoding::Payload);
// The event at a place; none where the file has none there.
std::optional<StoredEvent> eventAt(QSqlDatabase &db, qint64 seq, QString *error);
// Where an event the server holds stands in the file: its own place where the file holds it
// with the same hash, or the place before the resumed event that continues the chain from it.
// None where the file has it nowhere (it ends before it, or differs there).
std::optional<qint64> placeOfServerEvent(QSqlDatabase &db, const ChainPosition &serverEvent);
// The events of one run, in order.
QList<StoredEvent> eventsOfRun(QSqlDatabase &db, const QUuid &run, QString *error);
// The start of a statement that reads whole events as storedEventOf takes them; a condition and
// an order follow it.
QLatin1String eventsSelection();

// Only the tests shorten the busy timeout and limit the file's size.
void setBusyTimeoutForTesting(std::chrono::milliseconds timeout);
void setMaxPageCountForTesting(int pages);
}

#endif
