#include "recordsdatabase.h"

#include "logging.h"
#include "serverconnection.h"

#include <QCborArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUrl>
#include <QVariant>
#include <atomic>

namespace {
std::atomic<int> busyTimeoutMs { int(RecordsDatabase::defaultBusyTimeout.count()) };
std::atomic<int> maxPageCount { 0 };

// SQLite's result codes for a file that is not a database, or one that is damaged.
constexpr int sqliteCorrupt = 11;
constexpr int sqliteNotADatabase = 26;

// Texts outside any window, in the translations under "Records".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Records)
};

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

// Version 2: the server's own acknowledgement (the last event it confirmed it holds, by its
// place and hash) beside how far the sender got, the computer the records were begun on, and an
// index of the lab's own decisions and the certificates issued, which are few among many events.
const char *const schemaVersion2[] = {
    "ALTER TABLE sent ADD COLUMN server_seq INTEGER",
    "ALTER TABLE sent ADD COLUMN hash BLOB",
    "ALTER TABLE identity ADD COLUMN computer TEXT",
    "CREATE INDEX events_lab ON events(seq)"
    " WHERE kind IN ('setting', 'fixture setting', 'customer', 'certificate')",
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

QString busyTimeoutOption()
{
    return QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs.load());
}

QSqlDatabase addConnection(const QString &path, const QString &connectionName)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(path);
    db.setConnectOptions(busyTimeoutOption());
    return db;
}

QString damagedText(const QString &path)
{
    return Texts::tr("The file %1 is damaged or is not a calibration records database.")
        .arg(QDir::toNativeSeparators(path));
}

QString newerVersionText(const QString &path, int version)
{
    return Texts::tr("The records %1 come from a newer version of this program (schema %2; this "
                     "version knows schema %3 and older). Use the newer version to read them.")
        .arg(QDir::toNativeSeparators(path))
        .arg(version)
        .arg(RecordsDatabase::schemaVersion);
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

bool execAll(QSqlDatabase &db, const char *const *first, const char *const *last, QString *error)
{
    for (const char *const *statement = first; statement != last; ++statement) {
        if (!exec(db, QString::fromLatin1(*statement), error))
            return false;
    }
    return true;
}

bool beginRecords(QSqlDatabase &db, QString *error)
{
    QSqlQuery identity(db);
    identity.prepare(QStringLiteral("INSERT INTO identity (database) VALUES (?)"));
    identity.addBindValue(timeOrderedUuid().toRfc4122());
    if (identity.exec())
        return true;
    *error = identity.lastError().text();
    return false;
}

// Marks made by earlier versions named the server as configured, a password included where
// one was written into it: they are named again without it.
bool forgetPasswords(QSqlDatabase &db, QString *error)
{
    QSqlQuery marks(db);
    if (!marks.exec(QStringLiteral("SELECT server, through_seq FROM sent"))) {
        *error = marks.lastError().text();
        return false;
    }
    QList<std::pair<QString, qint64>> named;
    while (marks.next())
        named.append({ marks.value(0).toString(), marks.value(1).toLongLong() });
    for (const auto &[server, through] : named) {
        const QString safe = serverWithoutPassword(server);
        if (safe == server)
            continue;
        QSqlQuery rename(db);
        rename.prepare(QStringLiteral("DELETE FROM sent WHERE server = ?"));
        rename.addBindValue(server);
        QSqlQuery keep(db);
        keep.prepare(QStringLiteral("INSERT INTO sent (server, through_seq) VALUES (?, ?) ON"
                                    " CONFLICT (server) DO UPDATE SET through_seq ="
                                    " max(through_seq, excluded.through_seq)"));
        keep.addBindValue(safe);
        keep.addBindValue(through);
        if (!rename.exec() || !keep.exec()) {
            *error = rename.lastError().isValid() ? rename.lastError().text()
                                                  : keep.lastError().text();
            return false;
        }
    }
    return true;
}

bool migrateFrom(QSqlDatabase &db, int version, QString *error)
{
    if (version < 1
        && (!execAll(db, std::begin(schemaVersion1), std::end(schemaVersion1), error)
            || !beginRecords(db, error)))
        return false;
    if (version < 2) {
        if (!execAll(db, std::begin(schemaVersion2), std::end(schemaVersion2), error)
            || !forgetPasswords(db, error))
            return false;
        // Records begun before this version are taken to be on the computer that first opens
        // them with it.
        QSqlQuery computer(db);
        computer.prepare(QStringLiteral("UPDATE identity SET computer = ?"));
        computer.addBindValue(QSysInfo::machineHostName());
        if (!computer.exec()) {
            *error = computer.lastError().text();
            return false;
        }
    }
    return true;
}

bool migrate(QSqlDatabase &db, QString *error)
{
    std::optional<int> current = schemaVersionOf(db, error);
    if (current == RecordsDatabase::schemaVersion)
        return true;
    // Numbered migrations, in one transaction with the version they reach. Another program
    // may have opened the same records a moment before: the version is read again under the
    // write lock, so only one of them migrates.
    if (!current || !exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    current = schemaVersionOf(db, error);
    if (!current || *current >= RecordsDatabase::schemaVersion) {
        QString ignored;
        exec(db, QStringLiteral("ROLLBACK"), &ignored);
        return current == RecordsDatabase::schemaVersion;
    }
    if (!migrateFrom(db, *current, error)
        || !exec(
            db, QStringLiteral("PRAGMA user_version=%1").arg(RecordsDatabase::schemaVersion), error)
        || !exec(db, QStringLiteral("COMMIT"), error)) {
        QString ignored;
        exec(db, QStringLiteral("ROLLBACK"), &ignored);
        return false;
    }
    return true;
}

// Kept, never deleted: whatever can still be read from it may matter.
QString moveAside(const QString &path, QString *error)
{
    const QFileInfo file(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString aside
        = file.dir().filePath(QStringLiteral("records.corrupt-%1.sqlite").arg(stamp));
    if (!QFile::rename(path, aside)) {
        *error = Texts::tr("Cannot move the damaged %1 aside.").arg(QDir::toNativeSeparators(path));
        return {};
    }
    for (const char *suffix : { "-wal", "-shm" })
        QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
    return aside;
}

// What a reader may rely on before it asks anything: records, of a version it knows.
bool checkReadable(QSqlDatabase &db, const QString &path, QString *error)
{
    std::optional<int> version = schemaVersionOf(db, error);
    if (!version) {
        *error = damagedText(path);
        return false;
    }
    if (*version > RecordsDatabase::schemaVersion) {
        *error = newerVersionText(path, *version);
        return false;
    }
    QSqlQuery events(db);
    if (*version < 1
        || !events.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'events'"))
        || !events.next()) {
        *error = damagedText(path);
        return false;
    }
    return true;
}

// SQLite's URI for reading only. While a program has the records open, or one was killed in
// its work, the log (-wal) is there with its index (-shm); the index is then read, not written.
// Without a log everything is in the file itself, which is read as it stands: SQLite would
// otherwise make a log and an index, owned by whoever reads, which the owner then could not
// write.
QString readOnlyUri(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const bool logged = QFileInfo::exists(absolute + QStringLiteral("-wal"));
    const bool indexed = QFileInfo::exists(absolute + QStringLiteral("-shm"));
    return QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(absolute, "/"))
        + (!logged        ? QStringLiteral("?immutable=1")
                : indexed ? QStringLiteral("?mode=ro&readonly_shm=1")
                          : QStringLiteral("?mode=ro"));
}

void bindEvent(QSqlQuery &insert, qint64 seq, const RecordEvent &event, const QByteArray &payload,
    const QByteArray &hash)
{
    // Empty values are stored as NULL, so they read back as they were given.
    const auto orNull = [](const QByteArray &bytes) {
        return bytes.isEmpty() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(bytes);
    };
    insert.addBindValue(seq);
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
    = "INSERT INTO events (seq, id, run, kind, utc_ms, utc_offset_s, sensor_serial,"
      " fixture_serial, verdict, payload, hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
const char selectColumns[] = "SELECT seq, id, run, kind, utc_ms, utc_offset_s, sensor_serial,"
                             " fixture_serial, verdict, payload, hash FROM events ";

QCborMap storedEventCbor(const RecordsDatabase::StoredEvent &stored)
{
    const RecordEvent &event = stored.event;
    return { { QStringLiteral("seq"), stored.seq }, { QStringLiteral("id"), event.id.toRfc4122() },
        { QStringLiteral("run"), event.run.toRfc4122() }, { QStringLiteral("kind"), event.kind },
        { QStringLiteral("utc ms"), event.utcMs },
        { QStringLiteral("utc offset s"), event.utcOffsetSeconds },
        { QStringLiteral("sensor serial"), event.sensorSerial },
        { QStringLiteral("fixture serial"), event.fixtureSerial },
        { QStringLiteral("verdict"), event.verdict },
        { QStringLiteral("payload"), stored.storedPayload },
        { QStringLiteral("hash"), stored.hash } };
}

RecordEvent resumedEvent(const QString &server, const RecordsDatabase::ChainPosition &serverHead,
    const RecordsDatabase::ChainPosition &fileHead, const char *reason)
{
    RecordEvent resumed = newEvent(EventKind::resumed, timeOrderedUuid());
    resumed.payload = { { QLatin1String(ResumeKey::reason), QLatin1String(reason) },
        { QLatin1String(ResumeKey::server), server },
        { QLatin1String(ResumeKey::serverSeq), serverHead.seq },
        { QLatin1String(ResumeKey::serverHash), serverHead.hash },
        { QLatin1String(ResumeKey::fileSeq), fileHead.seq },
        { QLatin1String(ResumeKey::fileHash), fileHead.hash } };
    return resumed;
}

// Adds one event at the place after `previous`, chained to `chainedTo`.
bool insertAt(QSqlQuery &insert, RecordsDatabase::ChainPosition &previous,
    const QByteArray &chainedTo, const RecordEvent &event, QString *error)
{
    const QByteArray payload = encodedPayload(event.payload);
    const QByteArray hash = chainHash(chainedTo, event, payload);
    bindEvent(insert, previous.seq + 1, event, payload, hash);
    if (!insert.exec()) {
        *error = insert.lastError().text();
        return false;
    }
    previous = { previous.seq + 1, hash };
    return true;
}

// The acknowledgement of the server named, or the one that reaches furthest of any server.
std::optional<RecordsDatabase::Acknowledgement> acknowledgementOf(
    QSqlDatabase &db, const std::optional<QString> &server, QString *error)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT server, server_seq, hash, through_seq FROM sent"
                                 " WHERE server_seq IS NOT NULL AND (? IS NULL OR server = ?)"
                                 " ORDER BY server_seq DESC LIMIT 1"));
    const QVariant named = server ? QVariant(*server) : QVariant(QMetaType::fromType<QString>());
    query.addBindValue(named);
    query.addBindValue(named);
    if (!query.exec()) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return RecordsDatabase::Acknowledgement { query.value(0).toString(),
        { query.value(1).toLongLong(), query.value(2).toByteArray() },
        query.value(3).toLongLong() };
}
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
    QString *movedAsideTo, bool checkIntegrity, Creation creation)
{
    const QFileInfo file(path);
    if (creation == Creation::ExistingOnly && !file.isFile()) {
        *error = Texts::tr("There are no records at %1.").arg(QDir::toNativeSeparators(path));
        return false;
    }
    const QString folder = file.absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = Texts::tr("Cannot create the folder %1.").arg(QDir::toNativeSeparators(folder));
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
    // Read before anything is set: a newer version's file is left exactly as it is.
    const std::optional<int> version = schemaVersionOf(db, error);
    if (!version || (creation == Creation::ExistingOnly && *version == 0)) {
        *error = damagedText(path);
        return false;
    }
    if (*version > schemaVersion) {
        *error = newerVersionText(path, *version);
        return false;
    }
    return applyPragmas(db, error) && migrate(db, error);
}

bool openForReading(const QString &path, const QString &connectionName, QString *error)
{
    const QFileInfo file(path);
    if (!file.exists()) {
        *error = Texts::tr("There are no records at %1 yet.").arg(QDir::toNativeSeparators(path));
        return false;
    }
    if (!file.isFile()) {
        *error = damagedText(path);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(readOnlyUri(path));
    db.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;") + busyTimeoutOption());
    if (!db.open()) {
        *error = Texts::tr("Cannot read the records %1: %2")
                     .arg(QDir::toNativeSeparators(path), db.lastError().text());
        return false;
    }
    return checkReadable(db, path, error);
}

void close(const QString &connectionName)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

QList<SchemaObject> schemaObjects(QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    QList<SchemaObject> objects;
    if (!query.exec(QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master"
                                   " WHERE sql IS NOT NULL ORDER BY type, name"))) {
        *error = query.lastError().text();
        return objects;
    }
    while (query.next())
        objects.append({ query.value(0).toString(), query.value(1).toString(),
            query.value(2).toString(), query.value(3).toString() });
    return objects;
}

QList<SchemaObject> expectedSchema()
{
    static const QList<SchemaObject> expected = [] {
        const QString connection = QStringLiteral("cvu-expected-schema");
        QList<SchemaObject> objects;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(QStringLiteral(":memory:"));
            QString error;
            if (db.open() && migrateFrom(db, 0, &error))
                objects = schemaObjects(db, &error);
        }
        close(connection);
        return objects;
    }();
    return expected;
}

bool isRecordsFile(const QString &outputPath, const QString &databasePath)
{
    // Where a file would land, through any link: a missing file lands in its folder's real
    // place under its own name.
    const auto landing = [](const QString &path) {
        const QFileInfo file(path);
        const QString canonical = file.canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
        const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
        return folder.isEmpty() ? file.absoluteFilePath() : QDir(folder).filePath(file.fileName());
    };
    const QString output = landing(outputPath);
    const QString records = landing(databasePath);
    for (const char *suffix : { "", "-wal", "-shm", "-journal", ".sending" }) {
        if (output == records + QLatin1String(suffix))
            return true;
    }
    return false;
}

StoredEvent storedEventOf(const QSqlQuery &query, int firstColumn, Decoding decoding)
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
    if (decoding == Decoding::Payload)
        event.payload = decodedPayload(stored.storedPayload);
    stored.hash = query.value(firstColumn + 10).toByteArray();
    return stored;
}

Identity identity(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT database, computer FROM identity")) || !query.next())
        return {};
    return { query.value(0).toByteArray(), query.value(1).toString() };
}

QByteArray databaseIdentity(QSqlDatabase &db)
{
    return identity(db).database;
}

std::optional<ChainPosition> head(QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT seq, hash FROM events ORDER BY seq DESC LIMIT 1"))) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    if (!query.next())
        return ChainPosition();
    return ChainPosition { query.value(0).toLongLong(), query.value(1).toByteArray() };
}

std::optional<Acknowledgement> furthestAcknowledgement(QSqlDatabase &db, QString *error)
{
    return acknowledgementOf(db, std::nullopt, error);
}

std::optional<Acknowledgement> acknowledgement(
    QSqlDatabase &db, const QString &server, QString *error)
{
    return acknowledgementOf(db, server, error);
}

bool setAcknowledgement(QSqlDatabase &db, const Acknowledgement &acknowledged, QString *error)
{
    QSqlQuery mark(db);
    mark.prepare(QStringLiteral(
        "INSERT INTO sent (server, through_seq, server_seq, hash) VALUES (?, ?, ?, ?)"
        " ON CONFLICT (server) DO UPDATE SET through_seq = excluded.through_seq,"
        " server_seq = excluded.server_seq, hash = excluded.hash"));
    mark.addBindValue(acknowledged.server);
    mark.addBindValue(acknowledged.sentThrough);
    mark.addBindValue(acknowledged.position.seq);
    mark.addBindValue(acknowledged.position.hash);
    if (mark.exec())
        return true;
    *error = mark.lastError().text();
    return false;
}

bool appendEvent(QSqlDatabase &db, const RecordEvent &event, QString *error)
{
    return appendEvents(db, { event }, error);
}

bool appendEvents(QSqlDatabase &db, const QList<RecordEvent> &events, QString *error,
    std::optional<ChainPosition> *resumedAt)
{
    // Immediate, so the newest hash cannot change between reading it and adding after it.
    if (!exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    if (insertEvents(db, events, error, resumedAt) && exec(db, QStringLiteral("COMMIT"), error))
        return true;
    QString ignored;
    exec(db, QStringLiteral("ROLLBACK"), &ignored);
    return false;
}

bool insertEvents(QSqlDatabase &db, const QList<RecordEvent> &events, QString *error,
    std::optional<ChainPosition> *resumedAt)
{
    std::optional<ChainPosition> previous = head(db, error);
    if (!previous)
        return false;
    QString unread;
    const std::optional<Acknowledgement> acknowledged = furthestAcknowledgement(db, &unread);
    if (!unread.isEmpty()) {
        *error = unread;
        return false;
    }
    QSqlQuery insert(db);
    if (!insert.prepare(QLatin1String(insertStatement))) {
        *error = insert.lastError().text();
        return false;
    }
    // A server holds events this file no longer has: their numbers are not given again, and
    // the chain goes on from the last of them.
    if (acknowledged && acknowledged->position.seq > previous->seq) {
        qCWarning(lcRecords) << "records end at" << previous->seq << "before the server's"
                             << acknowledged->position.seq;
        const RecordEvent resumed = resumedEvent(
            acknowledged->server, acknowledged->position, *previous, ResumeKey::endedBefore);
        ChainPosition at { acknowledged->position.seq, acknowledged->position.hash };
        if (!insertAt(insert, at, acknowledged->position.hash, resumed, error))
            return false;
        previous = at;
        if (resumedAt)
            *resumedAt = at;
    }
    for (const RecordEvent &event : events) {
        if (!insertAt(insert, *previous, previous->hash, event, error))
            return false;
    }
    return true;
}

bool resumeFromServer(QSqlDatabase &db, const QString &server, const ChainPosition &serverHead,
    qint64 common, QString *error, ChainPosition *resumedAt)
{
    if (!exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    const auto done = [&](bool resumed) {
        QString ignored;
        if (resumed && exec(db, QStringLiteral("COMMIT"), error))
            return true;
        exec(db, QStringLiteral("ROLLBACK"), &ignored);
        return false;
    };
    const std::optional<ChainPosition> fileHead = head(db, error);
    if (!fileHead)
        return done(false);
    QCborArray diverged;
    if (!readEvents(
            db, common,
            [&](const StoredEvent &stored) {
                diverged.append(storedEventCbor(stored));
                return true;
            },
            error, Decoding::StoredOnly))
        return done(false);
    RecordEvent resumed = resumedEvent(server, serverHead, *fileHead,
        diverged.isEmpty() ? ResumeKey::endedBefore : ResumeKey::differed);
    if (!diverged.isEmpty())
        resumed.payload.insert(QLatin1String(ResumeKey::diverged), diverged);
    QSqlQuery insert(db);
    if (!insert.prepare(QLatin1String(insertStatement))) {
        *error = insert.lastError().text();
        return done(false);
    }
    ChainPosition at { std::max(fileHead->seq, serverHead.seq), {} };
    if (!insertAt(insert, at, serverHead.hash, resumed, error)
        || !setAcknowledgement(db, { server, serverHead, at.seq - 1 }, error))
        return done(false);
    if (resumedAt)
        *resumedAt = at;
    return done(true);
}

std::optional<StoredEvent> eventAt(QSqlDatabase &db, qint64 seq, QString *error)
{
    QSqlQuery query(db);
    query.prepare(QLatin1String(selectColumns) + QLatin1String("WHERE seq = ?"));
    query.addBindValue(seq);
    if (!query.exec()) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    return storedEventOf(query);
}

std::optional<qint64> placeOfServerEvent(QSqlDatabase &db, const ChainPosition &serverEvent)
{
    QString error;
    const std::optional<StoredEvent> there = eventAt(db, serverEvent.seq, &error);
    if (there && there->hash == serverEvent.hash)
        return serverEvent.seq;
    QSqlQuery resumed(db);
    resumed.prepare(QStringLiteral("SELECT seq, payload FROM events WHERE kind = ?"));
    resumed.addBindValue(QLatin1String(EventKind::resumed));
    if (resumed.exec()) {
        while (resumed.next()) {
            const QCborMap payload = decodedPayload(resumed.value(1).toByteArray());
            if (payload.value(QLatin1String(ResumeKey::serverSeq)).toInteger() == serverEvent.seq
                && payload.value(QLatin1String(ResumeKey::serverHash)).toByteArray()
                    == serverEvent.hash)
                return resumed.value(0).toLongLong() - 1;
        }
    }
    return std::nullopt;
}

bool readEvents(QSqlDatabase &db, qint64 afterSeq,
    const std::function<bool(const StoredEvent &)> &visitor, QString *error, Decoding decoding)
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
        if (!visitor(storedEventOf(query, 0, decoding)))
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

QLatin1String eventsSelection()
{
    return QLatin1String(selectColumns);
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
