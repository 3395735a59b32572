#include "recordssender.h"

#include "chaincheck.h"
#include "logging.h"
#include "recordsdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace {
std::atomic<int> firstRetryMs { int(std::chrono::milliseconds(senderFirstRetry).count()) };
std::atomic<int> longestRetryMs { int(std::chrono::milliseconds(senderLongestRetry).count()) };
std::atomic<int> sessions { 0 };
// Another program may add events: without word from a records thread of this program, a
// sender looks this often.
constexpr std::chrono::seconds lookInterval { 2 };
// A sync command waits this long for another program that is sending the same records.
constexpr std::chrono::seconds lockPatience { 30 };
// How many of the server's hashes are compared with the file's at a time, looking back for
// the last event both hold alike.
constexpr int comparedAtOnce = 1000;

using RecordsDatabase::ChainPosition;
using RecordsDatabase::StoredEvent;

// Texts outside any window, in the translations under "Records".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Records)
};

// Where the server's last event of these records stands in the file: the file's own events up
// to there are on the server. None where the file ends before it or holds another event there.
std::optional<qint64> placeInFile(QSqlDatabase &local, const ChainPosition &serverHead)
{
    if (serverHead.seq == 0)
        return 0;
    return RecordsDatabase::placeOfServerEvent(local, serverHead);
}

// One program's sending of one database's events: its own connections, made and used in the
// thread that makes the session.
class SendingSession
{
public:
    SendingSession(const QString &databasePath, const QString &server)
        : SendingSession(databasePath, server, ++sessions)
    { }
    ~SendingSession()
    {
        RecordsDatabase::close(m_local);
        RecordsDatabase::close(m_remote);
    }
    SendingSession(const SendingSession &) = delete;
    SendingSession &operator=(const SendingSession &) = delete;

private:
    // Sessions start in several threads at once: each takes its number once, so no two share a
    // connection name.
    SendingSession(const QString &databasePath, const QString &server, int number)
        : m_databasePath(databasePath)
        , m_server(server.trimmed())
        , m_serverName(serverWithoutPassword(server))
        , m_local(QStringLiteral("cvu-sender-local-%1").arg(number))
        , m_remote(QStringLiteral("cvu-sender-server-%1").arg(number))
    { }

public:
    // Events committed here that are not yet dealt with on the server; -1 when that cannot be
    // told.
    qint64 waiting(QString *error)
    {
        if (!openLocal(error))
            return -1;
        QSqlQuery count(QSqlDatabase::database(m_local));
        count.prepare(QStringLiteral("SELECT count(*) FROM events WHERE seq > ?"));
        count.addBindValue(sentThrough(error));
        if (!error->isEmpty())
            return -1;
        if (!count.exec() || !count.next()) {
            *error = count.lastError().text();
            return -1;
        }
        return count.value(0).toLongLong();
    }

    // Sends one batch in one server transaction, then marks it sent here. The number sent, -1
    // on a failure.
    int sendBatch(QString *error)
    {
        if (!openLocal(error) || !openServer(error))
            return -1;
        QSqlDatabase local = QSqlDatabase::database(m_local);
        QList<StoredEvent> batch;
        const qint64 through = sentThrough(error);
        if (!error->isEmpty())
            return -1;
        RecordsDatabase::readEvents(
            local, through,
            [&](const StoredEvent &event) {
                batch.append(event);
                return batch.size() < senderBatch;
            },
            error, RecordsDatabase::Decoding::StoredOnly);
        if (batch.isEmpty())
            return error->isEmpty() ? 0 : -1;
        if (!sendToServer(batch, error))
            return -1;
        // Not marked, the batch goes again and the server skips what it has: nothing is lost.
        const StoredEvent &last = batch.constLast();
        if (!RecordsDatabase::setAcknowledgement(
                local, { m_serverName, { last.seq, last.hash }, last.seq }, error))
            return -1;
        return int(batch.size());
    }

    enum class Standing { Complete, Waiting, Failed };

    // Asks the server where these records stand there and brings the file's mark in line:
    // complete when the server holds every event of the file. Where the file ends before what
    // the server holds, or differs from it, the chain resumes from the server's head and says
    // so; what the server lacks then waits.
    Standing confirm(QString *error)
    {
        if (!openLocal(error) || !openServer(error))
            return Standing::Failed;
        QSqlDatabase local = QSqlDatabase::database(m_local);
        const std::optional<ChainPosition> serverHead = headOnServer(error);
        const std::optional<ChainPosition> fileHead = RecordsDatabase::head(local, error);
        if (!serverHead || !fileHead)
            return Standing::Failed;
        const auto marked = [&](qint64 through, Standing standing) {
            return RecordsDatabase::setAcknowledgement(
                       local, { m_serverName, *serverHead, through }, error)
                ? standing
                : Standing::Failed;
        };
        if (*serverHead == *fileHead)
            return marked(fileHead->seq, Standing::Complete);
        // The server lacks the file's last events: they go (again) from there.
        if (const std::optional<qint64> place = placeInFile(local, *serverHead))
            return marked(*place, Standing::Waiting);
        const std::optional<qint64> common = lastCommonPlace(*serverHead, *fileHead, error);
        ChainPosition resumedAt;
        if (!common
            || !RecordsDatabase::resumeFromServer(
                local, m_serverName, *serverHead, *common, error, &resumedAt))
            return Standing::Failed;
        m_notice = common == fileHead->seq
            ? Texts::tr("The records %1 end at event %2, before event %3 that the lab's server "
                        "holds: events were removed from the file, or it was put back from an "
                        "older copy. The server keeps them; recording goes on from the server's "
                        "event %3 at event %4.")
                  .arg(QDir::toNativeSeparators(m_databasePath))
                  .arg(fileHead->seq)
                  .arg(serverHead->seq)
                  .arg(resumedAt.seq)
            : Texts::tr("The records %1 differ from what the lab's server holds after event %2: "
                        "the file was put back from an older copy, or changed. The file's events "
                        "since are kept, as they are, in event %3, which goes on from the "
                        "server's event %4.")
                  .arg(QDir::toNativeSeparators(m_databasePath))
                  .arg(*common)
                  .arg(resumedAt.seq)
                  .arg(serverHead->seq);
        qCWarning(lcRecords) << m_notice;
        return Standing::Waiting;
    }

    // What the last confirm found that a person should be told, once.
    QString takeNotice() { return std::exchange(m_notice, {}); }

private:
    // Open once the records are open and have said which they are; a connection left by a
    // failed try is made afresh. Only the programs that record events begin records: a sender
    // sends what is there.
    bool openLocal(QString *error)
    {
        if (!m_source.isEmpty())
            return true;
        RecordsDatabase::close(m_local);
        if (RecordsDatabase::openForWriting(m_databasePath, m_local, error, nullptr, false,
                RecordsDatabase::Creation::ExistingOnly)) {
            QSqlDatabase local = QSqlDatabase::database(m_local);
            const RecordsDatabase::Identity identity = RecordsDatabase::identity(local);
            const QString copied = copiedRecordsText(identity, m_databasePath);
            if (!copied.isEmpty()) {
                *error = copied;
            } else if (identity.database.isEmpty()) {
                *error = Texts::tr("The records at %1 cannot say which records they are.")
                             .arg(QDir::toNativeSeparators(m_databasePath));
            } else {
                // The server tells the benches' records apart by it: nothing goes without it.
                m_source = identity.database;
                return true;
            }
        }
        RecordsDatabase::close(m_local);
        return false;
    }

    bool openServer(QString *error)
    {
        if (QSqlDatabase::database(m_remote, false).isOpen())
            return true;
        RecordsDatabase::close(m_remote);
        return openServerConnection(m_server, m_remote, error);
    }

    qint64 sentThrough(QString *error)
    {
        QSqlDatabase local = QSqlDatabase::database(m_local);
        const std::optional<RecordsDatabase::Acknowledgement> acknowledged
            = RecordsDatabase::acknowledgement(local, m_serverName, error);
        return acknowledged ? acknowledged->sentThrough : 0;
    }

    // The last event of these records the server holds.
    std::optional<ChainPosition> headOnServer(QString *error)
    {
        QSqlQuery head(QSqlDatabase::database(m_remote));
        head.prepare(QStringLiteral("SELECT source_seq, hash FROM events WHERE source = ?"
                                    " ORDER BY source_seq DESC LIMIT 1"));
        head.addBindValue(m_source);
        if (!head.exec()) {
            *error = serverFailure(head.lastError().text());
            return std::nullopt;
        }
        if (!head.next())
            return ChainPosition();
        return ChainPosition { head.value(0).toLongLong(), head.value(1).toByteArray() };
    }

    // Looking back from the earlier of the two heads: the last place where the server and the
    // file hold the same event.
    std::optional<qint64> lastCommonPlace(
        const ChainPosition &serverHead, const ChainPosition &fileHead, QString *error)
    {
        QSqlDatabase local = QSqlDatabase::database(m_local);
        qint64 below = std::min(serverHead.seq, fileHead.seq) + 1;
        while (below > 1) {
            QSqlQuery hashes(QSqlDatabase::database(m_remote));
            hashes.prepare(QStringLiteral(
                "SELECT source_seq, hash FROM events WHERE source = ? AND source_seq < ?"
                " ORDER BY source_seq DESC LIMIT ?"));
            hashes.addBindValue(m_source);
            hashes.addBindValue(below);
            hashes.addBindValue(comparedAtOnce);
            if (!hashes.exec()) {
                *error = serverFailure(hashes.lastError().text());
                return std::nullopt;
            }
            if (!hashes.next())
                return 0;
            do {
                below = hashes.value(0).toLongLong();
                const std::optional<StoredEvent> here
                    = RecordsDatabase::eventAt(local, below, error);
                if (here && here->hash == hashes.value(1).toByteArray())
                    return below;
            } while (hashes.next());
        }
        return 0;
    }

    bool sendToServer(const QList<StoredEvent> &batch, QString *error)
    {
        QSqlDatabase server = QSqlDatabase::database(m_remote);
        const QString bench = QSysInfo::machineHostName();
        if (!server.transaction()) {
            *error = serverFailure(server.lastError().text());
            return false;
        }
        QSqlQuery insert(server);
        bool sent = insert.prepare(serverInsertStatement(QStringLiteral("events"), batch.size()));
        for (const StoredEvent &stored : batch)
            bindForServer(insert, stored, bench, m_source);
        sent = sent && insert.exec();
        if (sent && server.commit())
            return true;
        *error = serverFailure(
            insert.lastError().isValid() ? insert.lastError().text() : server.lastError().text());
        if (server.isOpen())
            server.rollback();
        return false;
    }

    // A connection the server dropped is made afresh at the next try (openServer).
    static QString serverFailure(const QString &driverText)
    {
        return describeServerError(driverText);
    }

    QString m_databasePath;
    QString m_server;
    QString m_serverName; // without a password, as the file keeps it
    QString m_local;
    QString m_remote;
    QByteArray m_source;
    QString m_notice;
};

// The senders of this program, by database, so the records thread can tell them at once.
std::mutex registryMutex;
std::multimap<QString, std::function<void()>> wakers;
}

class RecordsSender::Worker
{
public:
    Worker(const QString &databasePath, const QString &server)
        : m_databasePath(databasePath)
        , m_server(server)
    {
        {
            const std::lock_guard lock(registryMutex);
            m_registration = wakers.emplace(databasePath, [this] { wake(); });
        }
        m_thread = std::thread([this] { work(); });
    }

    ~Worker()
    {
        {
            const std::lock_guard lock(registryMutex);
            wakers.erase(m_registration);
        }
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    void wake()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_woken = true;
        }
        m_changed.notify_all();
    }

    SyncStatus status() const
    {
        const std::lock_guard lock(m_mutex);
        return m_status;
    }

private:
    void work()
    {
        SendingSession session(m_databasePath, m_server);
        QLockFile sending(m_databasePath + QStringLiteral(".sending"));
        std::chrono::milliseconds retry(firstRetryMs.load());
        // The server is asked where the records stand when sending begins and after any
        // failure; in between the file's own mark says what waits.
        bool confirmed = false;
        for (;;) {
            QString error;
            const bool mine
                = QFileInfo::exists(m_databasePath) && (sending.isLocked() || sending.tryLock(0));
            if (mine && !confirmed)
                confirmed = session.confirm(&error) != SendingSession::Standing::Failed;
            QString unread;
            const qint64 waiting = session.waiting(&unread);
            if (error.isEmpty())
                error = unread;
            int sent = 0;
            if (mine && waiting > 0 && error.isEmpty())
                sent = session.sendBatch(&error);
            if (!error.isEmpty())
                confirmed = false;
            report(waiting - std::max(sent, 0), error, sent > 0, session.takeNotice());
            std::chrono::milliseconds pause = lookInterval;
            if (!error.isEmpty()) {
                pause = retry;
                retry = std::min(retry * 2, std::chrono::milliseconds(longestRetryMs.load()));
            } else {
                retry = std::chrono::milliseconds(firstRetryMs.load());
                if (sent > 0)
                    pause = std::chrono::milliseconds(0);
            }
            std::unique_lock lock(m_mutex);
            // Word of a new event cuts a pause for new events short, never one after a failure.
            m_changed.wait_for(
                lock, pause, [&] { return m_stopping || (m_woken && error.isEmpty()); });
            m_woken = false;
            if (m_stopping)
                return;
        }
    }

    void report(qint64 waiting, const QString &error, bool sent, const QString &notice)
    {
        const std::lock_guard lock(m_mutex);
        // Said once, not at every try while the server stays away.
        if (!error.isEmpty() && error != m_status.lastError)
            qCWarning(lcRecords) << "sending to the server:" << error;
        m_status.waiting = waiting;
        m_status.lastError = error;
        if (!notice.isEmpty())
            m_status.notice = notice;
        if (sent)
            m_status.lastSent = QDateTime::currentDateTime();
    }

    QString m_databasePath;
    QString m_server;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    SyncStatus m_status;
    bool m_stopping = false;
    bool m_woken = false;
    std::multimap<QString, std::function<void()>>::iterator m_registration;
    std::thread m_thread;
};

RecordsSender::RecordsSender(const QString &databasePath, const QString &server)
    : m_worker(std::make_unique<Worker>(databasePath, server))
{ }

RecordsSender::~RecordsSender() = default;

SyncStatus RecordsSender::status() const
{
    return m_worker->status();
}

bool RecordsSender::sendAll(const QString &databasePath, const QString &server, SyncStatus *status)
{
    if (!QFileInfo(databasePath).isFile()) {
        status->lastError
            = Texts::tr("There are no records at %1.").arg(QDir::toNativeSeparators(databasePath));
        return false;
    }
    QLockFile sending(databasePath + QStringLiteral(".sending"));
    if (!sending.tryLock(int(std::chrono::milliseconds(lockPatience).count()))) {
        status->lastError = sending.error() == QLockFile::LockFailedError
            ? Texts::tr("Another program is sending these records to the server now.")
            : Texts::tr("Cannot make the lock file %1 beside the records: the folder cannot be "
                        "written.")
                  .arg(QDir::toNativeSeparators(databasePath + QStringLiteral(".sending")));
        return false;
    }
    SendingSession session(databasePath, server);
    // A batch the server takes but does not keep would be sent for ever: after a few rounds
    // with nothing kept, the sync gives up and says so.
    constexpr int patience = 3;
    qint64 lastWaiting = -1;
    int fruitless = 0;
    for (;;) {
        QString error;
        const SendingSession::Standing standing = session.confirm(&error);
        status->notice += session.takeNotice();
        QString unread;
        status->waiting = session.waiting(&unread);
        if (standing == SendingSession::Standing::Complete) {
            status->lastError.clear();
            return true;
        }
        if (standing == SendingSession::Standing::Failed) {
            status->lastError = error.isEmpty() ? unread : error;
            return false;
        }
        fruitless = status->waiting >= lastWaiting && lastWaiting >= 0 ? fruitless + 1 : 0;
        lastWaiting = status->waiting;
        if (fruitless >= patience) {
            status->lastError = Texts::tr(
                "The server takes these events but does not keep them (a rule on the server may "
                "discard them): it holds this bench's records only up to an earlier event.");
            return false;
        }
        while (session.waiting(&error) > 0) {
            if (session.sendBatch(&error) < 0) {
                status->lastError = error;
                return false;
            }
            status->lastSent = QDateTime::currentDateTime();
        }
    }
}

void RecordsSender::committed(const QString &databasePath)
{
    const std::lock_guard lock(registryMutex);
    const auto [first, last] = wakers.equal_range(databasePath);
    for (auto waker = first; waker != last; ++waker)
        waker->second();
}

void setSenderRetryForTesting(std::chrono::milliseconds first, std::chrono::milliseconds longest)
{
    firstRetryMs = int(first.count());
    longestRetryMs = int(longest.count());
}

QString serverInsertStatement(const QString &table, qsizetype rows)
{
    QStringList values;
    values.fill(QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"), rows);
    return QStringLiteral("INSERT INTO %1 (id, run, kind, utc_ms, utc_offset_s, sensor_serial,"
                          " fixture_serial, verdict, payload, hash, bench, source, source_seq)"
                          " VALUES %2 ON CONFLICT (id) DO NOTHING")
        .arg(table, values.join(QStringLiteral(", ")));
}

void bindForServer(QSqlQuery &insert, const RecordsDatabase::StoredEvent &stored,
    const QString &bench, const QByteArray &source)
{
    const auto orNull = [](const QByteArray &bytes) {
        return bytes.isEmpty() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(bytes);
    };
    const RecordEvent &event = stored.event;
    for (const QVariant &value : { QVariant(event.id.toRfc4122()), QVariant(event.run.toRfc4122()),
             QVariant(event.kind), QVariant(event.utcMs), QVariant(event.utcOffsetSeconds),
             orNull(event.sensorSerial), orNull(event.fixtureSerial),
             event.verdict.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                     : QVariant(event.verdict),
             QVariant(stored.storedPayload), QVariant(stored.hash), QVariant(bench),
             QVariant(source), QVariant(stored.seq) })
        insert.addBindValue(value);
}
