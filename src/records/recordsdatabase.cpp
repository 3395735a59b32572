#include "recordsdatabase.h"

#include "logging.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <atomic>

namespace {
std::atomic<int> busyTimeoutMs { int(RecordsDatabase::defaultBusyTimeout.count()) };
std::atomic<int> maxPageCount { 0 };

// SQLite's result codes for a file that is not a database, or one that is damaged.
constexpr int sqliteCorrupt = 11;
constexpr int sqliteNotADatabase = 26;

// The whole schema of version 1. Events are only ever added: the triggers refuse any change or
// removal, whoever asks.
const char *const schemaVersion1[] = {
    "CREATE TABLE events ("
    " seq INTEGER PRIMARY KEY,"
    " id BLOB NOT NULL,"
    " run BLOB NOT NULL,"
    " kind TEXT NOT NULL,"
    " utc_ms INTEGER NOT NULL,"
    " utc_offset_s INTEGER NOT NULL,"
    " sensor_serial BLOB,"
    " fixture_serial BLOB,"
    " verdict TEXT,"
    " payload BLOB NOT NULL,"
    " hash BLOB NOT NULL)",
    "CREATE INDEX events_by_run ON events(run)",
    // The register's questions (each sensor's runs, results, calibrations; each fixture's runs)
    // are answered from this index alone: only the events that name a sensor are in it.
    "CREATE INDEX events_register ON events(sensor_serial, kind, utc_ms, verdict, run,"
    " fixture_serial) WHERE sensor_serial IS NOT NULL",
    "CREATE TRIGGER events_never_change BEFORE UPDATE ON events"
    " BEGIN SELECT RAISE(ABORT, 'calibration records are only ever added to'); END",
    "CREATE TRIGGER events_never_go BEFORE DELETE ON events"
    " BEGIN SELECT RAISE(ABORT, 'calibration records are only ever added to'); END",
    // How far the events have reached each server that took them (a mark, not a record).
    "CREATE TABLE sent (server TEXT PRIMARY KEY, through_seq INTEGER NOT NULL)",
    // What tells these records from any other computer's or account's on a lab's server.
    "CREATE TABLE identity (database BLOB NOT NULL)",
};

bool exec(QSqlDatabase &db, const QString &statement, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    *error = query.lastError().text();
    return false;
}

bool isDamage(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == sqliteCorrupt || code == sqliteNotADatabase;
}

QSqlDatabase addConnection(const QString &path, const QString &connectionName)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs.load()));
    return db;
}

// Damage shows either as a statement that fails with it, or as the check's own findings.
enum class Health { Sound, Damaged, Unknown };

Health checkIntegrity(QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA integrity_check"))) {
        *error = query.lastError().text();
        return isDamage(query.lastError()) ? Health::Damaged : Health::Unknown;
    }
    if (query.next() && query.value(0).toString() == QLatin1String("ok"))
        return Health::Sound;
    *error = query.value(0).toString();
    return Health::Damaged;
}

bool applyPragmas(QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    // WAL lets readers read while the writer writes; FULL syncs the log at every commit, so a
    // commit reported is on the disk.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next()
        || query.value(0).toString() != QLatin1String("wal")) {
        *error = query.lastError().isValid() ? query.lastError().text()
                                             : QStringLiteral("the database cannot keep a log");
        return false;
    }
    if (!exec(db, QStringLiteral("PRAGMA synchronous=FULL"), error)
        || !exec(db, QStringLiteral("PRAGMA foreign_keys=ON"), error))
        return false;
    if (maxPageCount > 0)
        return exec(db, QStringLiteral("PRAGMA max_page_count=%1").arg(maxPageCount.load()), error);
    return true;
}

std::optional<int> schemaVersionOf(QSqlDatabase &db, QString *error)
{
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        *error = version.lastError().text();
        return std::nullopt;
    }
    return version.value(0).toInt();
}

bool migrate(QSqlDatabase &db, QString *error)
{
    std::optional<int> current = schemaVersionOf(db, error);
    if (current == RecordsDatabase::schemaVersion)
        return true;
    // Numbered migrations, each in a transaction with the version it reaches. Another program
    // may have opened the same new records a moment before: the version is read again under
    // the write lock, so only one of them makes the tables.
    if (!current || !exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    current = schemaVersionOf(db, error);
    if (current != 0) {
        exec(db, QStringLiteral("ROLLBACK"), error);
        if (current > RecordsDatabase::schemaVersion)
            *error = QCoreApplication::translate("Records",
                "The records were written by a newer version of this program (schema %1).")
                         .arg(*current);
        return current == RecordsDatabase::schemaVersion;
    }
    for (const char *statement : schemaVersion1) {
        if (!exec(db, QString::fromLatin1(statement), error)) {
            exec(db, QStringLiteral("ROLLBACK"), error);
            return false;
        }
    }
    QSqlQuery identity(db);
    identity.prepare(QStringLiteral("INSERT INTO identity (database) VALUES (?)"));
    identity.addBindValue(timeOrderedUuid().toRfc4122());
    if (!identity.exec()) {
        *error = identity.lastError().text();
        exec(db, QStringLiteral("ROLLBACK"), error);
        return false;
    }
    return exec(db, QStringLiteral("PRAGMA user_version=%1").arg(RecordsDatabase::schemaVersion),
               error)
        && exec(db, QStringLiteral("COMMIT"), error);
}

// Kept, never deleted: whatever can still be read from it may matter.
QString moveAside(const QString &path, QString *error)
{
    const QFileInfo file(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString aside
        = file.dir().filePath(QStringLiteral("records.corrupt-%1.sqlite").arg(stamp));
    if (!QFile::rename(path, aside)) {
        *error = QCoreApplication::translate("Records", "Cannot move the damaged %1 aside.")
                     .arg(QDir::toNativeSeparators(path));
        return {};
    }
    for (const char *suffix : { "-wal", "-shm" })
        QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
    return aside;
}

void bindEvent(
    QSqlQuery &insert, const RecordEvent &event, const QByteArray &payload, const QByteArray &hash)
{
    // Empty values are stored as NULL, so they read back as they were given.
    const auto orNull = [](const QByteArray &bytes) {
        return bytes.isEmpty() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(bytes);
    };
    insert.addBindValue(event.id.toRfc4122());
    insert.addBindValue(event.run.toRfc4122());
    insert.addBindValue(event.kind);
    insert.addBindValue(event.utcMs);
    insert.addBindValue(event.utcOffsetSeconds);
    insert.addBindValue(orNull(event.sensorSerial));
    insert.addBindValue(orNull(event.fixtureSerial));
    insert.addBindValue(event.verdict.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                                : QVariant(event.verdict));
    insert.addBindValue(payload);
    insert.addBindValue(hash);
}

const char insertStatement[]
    = "INSERT INTO events (id, run, kind, utc_ms, utc_offset_s, sensor_serial, fixture_serial,"
      " verdict, payload, hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
const char selectColumns[] = "SELECT seq, id, run, kind, utc_ms, utc_offset_s, sensor_serial,"
                             " fixture_serial, verdict, payload, hash FROM events ";

}

namespace RecordsDatabase {

QString defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/records.sqlite");
}

QString legacyHistoryPath(const QString &databasePath)
{
    return QFileInfo(databasePath).dir().filePath(QStringLiteral("calibration-history.csv"));
}

bool openForWriting(const QString &path, const QString &connectionName, QString *error,
    QString *movedAsideTo, bool checkIntegrity)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QCoreApplication::translate("Records", "Cannot create the folder %1.")
                     .arg(QDir::toNativeSeparators(folder));
        return false;
    }
    QSqlDatabase db = addConnection(path, connectionName);
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    const Health health = checkIntegrity ? ::checkIntegrity(db, error) : Health::Sound;
    if (health == Health::Unknown)
        return false;
    if (health == Health::Damaged) {
        qCWarning(lcRecords) << "damaged records database" << path << *error;
        db.close();
        const QString aside = moveAside(path, error);
        if (aside.isEmpty())
            return false;
        if (movedAsideTo)
            *movedAsideTo = aside;
        if (!db.open()) {
            *error = db.lastError().text();
            return false;
        }
    }
    return applyPragmas(db, error) && migrate(db, error);
}

bool openForReading(const QString &path, const QString &connectionName, QString *error)
{
    if (!QFileInfo::exists(path)) {
        *error = QCoreApplication::translate("Records", "There are no records at %1 yet.")
                     .arg(QDir::toNativeSeparators(path));
        return false;
    }
    QSqlDatabase db = addConnection(path, connectionName);
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    return exec(db, QStringLiteral("PRAGMA query_only=ON"), error);
}

void close(const QString &connectionName)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

StoredEvent storedEventOf(const QSqlQuery &query, int firstColumn)
{
    StoredEvent stored;
    stored.seq = query.value(firstColumn).toLongLong();
    RecordEvent &event = stored.event;
    event.id = QUuid::fromRfc4122(query.value(firstColumn + 1).toByteArray());
    event.run = QUuid::fromRfc4122(query.value(firstColumn + 2).toByteArray());
    event.kind = query.value(firstColumn + 3).toString();
    event.utcMs = query.value(firstColumn + 4).toLongLong();
    event.utcOffsetSeconds = query.value(firstColumn + 5).toInt();
    event.sensorSerial = query.value(firstColumn + 6).toByteArray();
    event.fixtureSerial = query.value(firstColumn + 7).toByteArray();
    event.verdict = query.value(firstColumn + 8).toString();
    stored.storedPayload = query.value(firstColumn + 9).toByteArray();
    event.payload = decodedPayload(stored.storedPayload);
    stored.hash = query.value(firstColumn + 10).toByteArray();
    return stored;
}

QByteArray databaseIdentity(QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("SELECT database FROM identity")) && query.next()
        ? query.value(0).toByteArray()
        : QByteArray();
}

std::optional<QByteArray> lastHash(QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT hash FROM events ORDER BY seq DESC LIMIT 1"))) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    return query.next() ? query.value(0).toByteArray() : QByteArray();
}

bool appendEvent(QSqlDatabase &db, const RecordEvent &event, QString *error)
{
    return appendEvents(db, { event }, error);
}

bool appendEvents(QSqlDatabase &db, const QList<RecordEvent> &events, QString *error)
{
    // Immediate, so the newest hash cannot change between reading it and adding after it.
    if (!exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    const auto rollBack = [&] {
        QString ignored;
        exec(db, QStringLiteral("ROLLBACK"), &ignored);
        return false;
    };
    std::optional<QByteArray> previous = lastHash(db, error);
    if (!previous)
        return rollBack();
    QSqlQuery insert(db);
    if (!insert.prepare(QLatin1String(insertStatement))) {
        *error = insert.lastError().text();
        return rollBack();
    }
    for (const RecordEvent &event : events) {
        const QByteArray payload = encodedPayload(event.payload);
        const QByteArray hash = chainHash(*previous, event, payload);
        bindEvent(insert, event, payload, hash);
        if (!insert.exec()) {
            *error = insert.lastError().text();
            return rollBack();
        }
        previous = hash;
    }
    if (!exec(db, QStringLiteral("COMMIT"), error))
        return rollBack();
    return true;
}

bool readEvents(QSqlDatabase &db, qint64 afterSeq,
    const std::function<bool(const StoredEvent &)> &visitor, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QLatin1String(selectColumns) + QLatin1String("WHERE seq > ? ORDER BY seq"));
    query.addBindValue(afterSeq);
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        if (!visitor(storedEventOf(query)))
            break;
    }
    if (query.lastError().isValid()) {
        *error = query.lastError().text();
        return false;
    }
    return true;
}

QList<StoredEvent> eventsOfRun(QSqlDatabase &db, const QUuid &run, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QLatin1String(selectColumns) + QLatin1String("WHERE run = ? ORDER BY seq"));
    query.addBindValue(run.toRfc4122());
    QList<StoredEvent> events;
    if (!query.exec()) {
        *error = query.lastError().text();
        return events;
    }
    while (query.next())
        events.append(storedEventOf(query));
    return events;
}

void setBusyTimeoutForTesting(std::chrono::milliseconds timeout)
{
    busyTimeoutMs = int(timeout.count());
}

void setMaxPageCountForTesting(int pages)
{
    maxPageCount = pages;
}
}
