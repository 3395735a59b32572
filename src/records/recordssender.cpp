#include "recordssender.h"

#include "logging.h"
#include "recordsdatabase.h"
#include "runevents.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QSqlError>
#include <QSqlQuery>
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

// Texts outside any window, in the translations under "Records".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Records)
};

const char insertOnServer[]
    = "INSERT INTO events (id, run, kind, utc_ms, utc_offset_s, sensor_serial, fixture_serial,"
      " verdict, payload, hash, bench, source, source_seq)"
      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (id) DO NOTHING";

QVariant orNull(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(bytes);
}

// One program's sending of one database's events: its own connections, made and used in the
// thread that makes the session.
class SendingSession
{
public:
    SendingSession(const QString &databasePath, const QString &server)
        : m_databasePath(databasePath)
        , m_server(server.simplified())
        , m_local(QStringLiteral("cvu-sender-local-%1").arg(++sessions))
        , m_remote(QStringLiteral("cvu-sender-server-%1").arg(sessions.load()))
    { }
    ~SendingSession()
    {
        RecordsDatabase::close(m_local);
        RecordsDatabase::close(m_remote);
    }
    SendingSession(const SendingSession &) = delete;
    SendingSession &operator=(const SendingSession &) = delete;

    // Events committed here that the server has not acknowledged; -1 when that cannot be told.
    qint64 waiting(QString *error)
    {
        if (!openLocal(error))
            return -1;
        QSqlQuery count(QSqlDatabase::database(m_local));
        count.prepare(QStringLiteral("SELECT count(*) FROM events WHERE seq > ?"));
        count.addBindValue(acknowledged());
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
        QList<RecordsDatabase::StoredEvent> batch;
        RecordsDatabase::readEvents(
            local, acknowledged(),
            [&](const RecordsDatabase::StoredEvent &event) {
                batch.append(event);
                return batch.size() < senderBatch;
            },
            error);
        if (batch.isEmpty())
            return error->isEmpty() ? 0 : -1;
        if (!sendToServer(batch, error)) {
            // A connection that failed is made afresh at the next try.
            RecordsDatabase::close(m_remote);
            return -1;
        }
        QSqlQuery mark(local);
        mark.prepare(QStringLiteral(
            "INSERT INTO sent (server, through_seq) VALUES (?, ?)"
            " ON CONFLICT (server) DO UPDATE SET through_seq = excluded.through_seq"));
        mark.addBindValue(m_server);
        mark.addBindValue(batch.constLast().seq);
        // Not marked, the batch goes again and the server skips what it has: nothing is lost.
        if (!mark.exec()) {
            *error = mark.lastError().text();
            return -1;
        }
        return int(batch.size());
    }

private:
    // Open once the records are open and have said which they are; a connection left by a
    // failed try, such as one that met another program making the same new records, is made
    // afresh.
    bool openLocal(QString *error)
    {
        if (!m_source.isEmpty())
            return true;
        RecordsDatabase::close(m_local);
        if (RecordsDatabase::openForWriting(m_databasePath, m_local, error, nullptr, false)) {
            QSqlDatabase local = QSqlDatabase::database(m_local);
            m_source = RecordsDatabase::databaseIdentity(local);
            // The server tells the benches' records apart by it: nothing goes without it.
            if (!m_source.isEmpty())
                return true;
            *error = Texts::tr("The records at %1 cannot say which records they are.")
                         .arg(m_databasePath);
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

    qint64 acknowledged()
    {
        QSqlQuery mark(QSqlDatabase::database(m_local));
        mark.prepare(QStringLiteral("SELECT through_seq FROM sent WHERE server = ?"));
        mark.addBindValue(m_server);
        return mark.exec() && mark.next() ? mark.value(0).toLongLong() : 0;
    }

    bool sendToServer(const QList<RecordsDatabase::StoredEvent> &batch, QString *error)
    {
        QSqlDatabase server = QSqlDatabase::database(m_remote);
        const QString bench = RunContext::ofThisProgram().computer;
        if (!server.transaction()) {
            *error = describeServerError(server.lastError().text());
            return false;
        }
        QSqlQuery insert(server);
        bool sent = insert.prepare(QLatin1String(insertOnServer));
        for (qsizetype i = 0; sent && i < batch.size(); ++i) {
            const RecordsDatabase::StoredEvent &stored = batch.at(i);
            const RecordEvent &event = stored.event;
            for (const QVariant &value :
                { QVariant(event.id.toRfc4122()), QVariant(event.run.toRfc4122()),
                    QVariant(event.kind), QVariant(event.utcMs), QVariant(event.utcOffsetSeconds),
                    orNull(event.sensorSerial), orNull(event.fixtureSerial),
                    event.verdict.isEmpty() ? QVariant(QMetaType::fromType<QString>())
                                            : QVariant(event.verdict),
                    QVariant(stored.storedPayload), QVariant(stored.hash), QVariant(bench),
                    QVariant(m_source), QVariant(stored.seq) })
                insert.addBindValue(value);
            sent = insert.exec();
        }
        if (!sent || !server.commit()) {
            *error = describeServerError(insert.lastError().isValid() ? insert.lastError().text()
                                                                      : server.lastError().text());
            server.rollback();
            return false;
        }
        return true;
    }

    QString m_databasePath;
    QString m_server;
    QString m_local;
    QString m_remote;
    QByteArray m_source;
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
        for (;;) {
            QString error;
            const bool mine = sending.isLocked() || sending.tryLock(0);
            const qint64 waiting = session.waiting(&error);
            int sent = 0;
            if (mine && waiting > 0)
                sent = session.sendBatch(&error);
            report(waiting - std::max(sent, 0), error, sent > 0);
            std::chrono::milliseconds pause = lookInterval;
            if (sent < 0 || waiting < 0) {
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

    void report(qint64 waiting, const QString &error, bool sent)
    {
        const std::lock_guard lock(m_mutex);
        // Said once, not at every try while the server stays away.
        if (!error.isEmpty() && error != m_status.lastError)
            qCWarning(lcRecords) << "sending to the server:" << error;
        m_status.waiting = waiting;
        m_status.lastError = error;
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
    QLockFile sending(databasePath + QStringLiteral(".sending"));
    if (!sending.tryLock(int(std::chrono::milliseconds(lockPatience).count()))) {
        status->lastError
            = Texts::tr("Another program is sending these records to the server now.");
        return false;
    }
    SendingSession session(databasePath, server);
    for (;;) {
        QString error;
        status->waiting = session.waiting(&error);
        if (status->waiting <= 0 || !error.isEmpty()) {
            status->lastError = error;
            return status->waiting == 0 && error.isEmpty();
        }
        if (session.sendBatch(&error) < 0) {
            status->lastError = error;
            return false;
        }
        status->lastSent = QDateTime::currentDateTime();
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
