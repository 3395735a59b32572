#include "recordslog.h"

#include "chaincheck.h"
#include "historyimport.h"
#include "logging.h"
#include "recordsdatabase.h"
#include "recordssender.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;

// A log hears of its events in its own thread, after whatever called into the records has
// returned; what is posted to a log that goes away meanwhile goes with it.
template <typename Signal, typename... Args>
void tellLog(RecordsLog *log, Signal signal, Args... args)
{
    QMetaObject::invokeMethod(
        log, [log, signal, args...] { emit(log->*signal)(args...); }, Qt::QueuedConnection);
}

// The records thread: one for the whole program, holding the writer connection of each
// database in use. Work happens outside the lock; what is shared is touched only under it.
class RecordsWriter
{
public:
    static RecordsWriter &instance()
    {
        // Lives as long as the program does; the thread waits for work until the end.
        static auto *writer = new RecordsWriter;
        return *writer;
    }

    void attach(const QString &path, RecordsLog *log)
    {
        {
            const std::lock_guard lock(m_mutex);
            Database &database = m_databases[path];
            if (log)
                database.logs.push_back(log);
            else
                database.openRequested = true;
            if (log) {
                for (const QString &text : std::exchange(database.pendingNotices, {}))
                    tellLog(log, &RecordsLog::notice, text);
            }
        }
        m_changed.notify_all();
    }

    void hand(const QString &path, const RecordEvent &event, RecordsLog *log, bool commit)
    {
        {
            const std::lock_guard lock(m_mutex);
            Database &database = m_databases[path];
            database.items.push_back({ event, log, commit, false });
            // Where the records are failing now, one waiting for a commit is told at once; the
            // event is still tried again.
            if (!database.lastError.isEmpty())
                answerCommits(database, database.lastError);
        }
        m_changed.notify_all();
    }

    bool waitUntilWritten(const RecordsLog *log, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return !hasWorkOf(log); });
    }

    // A log going away is told nothing more; its events are still written.
    void detach(const QString &path, const RecordsLog *log)
    {
        {
            const std::lock_guard lock(m_mutex);
            Database &database = m_databases[path];
            database.logs.erase(
                std::remove(database.logs.begin(), database.logs.end(), log), database.logs.end());
            for (Item &item : database.items) {
                if (item.log == log)
                    item.log = nullptr;
            }
            if (m_current == log)
                m_current = nullptr;
        }
        m_changed.notify_all();
    }

private:
    struct Item
    {
        RecordEvent event;
        RecordsLog *log; // whom to tell; none once that log is gone
        bool commit;
        bool answered;
    };

    struct Database
    {
        std::deque<Item> items;
        std::vector<RecordsLog *> logs;
        bool openRequested = false;
        bool open = false;
        QString connection;
        QStringList pendingNotices; // for the first log that comes
        Clock::time_point retryAt {};
        QString lastError; // while the records are failing
    };

    RecordsWriter()
        : m_thread([this] { work(); })
    {
        // The connections need the application: the thread ends before it does, with what it
        // was writing; events still waiting then are lost with the program.
        qAddPostRoutine([] { instance().stop(); });
    }

    void stop()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
            m_thread.join();
    }

    bool hasWorkOf(const RecordsLog *log) const
    {
        if (m_current == log)
            return true;
        for (const auto &[path, database] : m_databases) {
            for (const Item &item : database.items) {
                if (item.log == log)
                    return true;
            }
        }
        return false;
    }

    static bool wantsOpening(const Database &database)
    {
        return !database.open
            && (database.openRequested || !database.logs.empty() || !database.items.empty());
    }

    void work()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_stopping) {
                for (auto &[path, database] : m_databases) {
                    if (database.open)
                        closeDatabase(database);
                }
                return;
            }
            const Clock::time_point now = Clock::now();
            Clock::time_point wake = Clock::time_point::max();
            bool worked = false;
            for (auto &[path, database] : m_databases) {
                if (!wantsOpening(database) && database.items.empty())
                    continue;
                if (database.retryAt > now) {
                    wake = std::min(wake, database.retryAt);
                    continue;
                }
                if (wantsOpening(database))
                    openDatabase(path, database, lock);
                else
                    writeFirst(path, database, lock);
                worked = true;
                break;
            }
            if (worked)
                continue;
            if (wake == Clock::time_point::max())
                m_changed.wait(lock);
            else
                m_changed.wait_until(lock, wake);
        }
    }

    void openDatabase(const QString &path, Database &database, std::unique_lock<std::mutex> &lock)
    {
        const QString connection = QStringLiteral("cvu-records-writer-%1").arg(++m_connections);
        const bool check = !m_checked.count(path);
        lock.unlock();
        QString error, movedAside;
        bool opened = RecordsDatabase::openForWriting(path, connection, &error, &movedAside, check);
        QString standing;
        if (opened) {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            opened = importLegacyHistory(db, RecordsDatabase::legacyHistoryPath(path), &error);
            // Said at once: the records end before what the lab's server holds, or are a copy.
            standing = recordsStanding(db, path);
        }
        if (!opened)
            RecordsDatabase::close(connection);
        lock.lock();
        database.openRequested = false;
        if (!opened) {
            failed(database,
                QCoreApplication::translate("Records", "Cannot open the calibration records %1: %2")
                    .arg(QDir::toNativeSeparators(path), error));
            return;
        }
        m_checked.insert(path);
        stopBeforeExit();
        database.open = true;
        database.connection = connection;
        if (!standing.isEmpty()) {
            qCWarning(lcRecords) << standing;
            tell(database, standing);
        }
        if (!movedAside.isEmpty())
            tell(database,
                QCoreApplication::translate("Records",
                    "The calibration records %1 were damaged. They were kept as %2, and new "
                    "records were begun.")
                    .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(movedAside)));
    }

    void writeFirst(const QString &path, Database &database, std::unique_lock<std::mutex> &lock)
    {
        // Records moved or removed while in use are begun anew where they were, never written
        // into a file no one can find.
        if (!QFileInfo::exists(path)) {
            closeDatabase(database);
            return;
        }
        const RecordEvent event = database.items.front().event;
        m_current = database.items.front().log;
        const QString connection = database.connection;
        lock.unlock();
        QString error;
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        const bool written = RecordsDatabase::appendEvent(db, event, &error);
        if (written)
            RecordsSender::committed(path);
        lock.lock();
        m_current = nullptr;
        Item &item = database.items.front();
        if (!written) {
            qCWarning(lcRecords) << "event not written:" << error;
            failed(database,
                QCoreApplication::translate(
                    "Records", "Cannot write the calibration records %1: %2")
                    .arg(QDir::toNativeSeparators(path), error));
            return;
        }
        database.lastError.clear();
        // Under the lock, so the log cannot be going away meanwhile.
        if (item.commit && !item.answered && item.log)
            tellLog(item.log, &RecordsLog::committed, event.id, true, QString());
        database.items.pop_front();
        m_changed.notify_all();
    }

    void failed(Database &database, const QString &reason)
    {
        database.retryAt = Clock::now() + recordsRetryPause;
        database.lastError = reason;
        answerCommits(database, reason);
        for (RecordsLog *log : database.logs)
            tellLog(log, &RecordsLog::writeFailed, reason);
        m_changed.notify_all();
    }

    // Under the lock, so no log can be going away meanwhile.
    static void answerCommits(Database &database, const QString &reason)
    {
        for (Item &item : database.items) {
            if (item.commit && !item.answered && item.log) {
                item.answered = true;
                tellLog(item.log, &RecordsLog::committed, item.event.id, false, reason);
            }
        }
    }

    void tell(Database &database, const QString &text)
    {
        if (database.logs.empty())
            database.pendingNotices.append(text);
        for (RecordsLog *log : database.logs)
            tellLog(log, &RecordsLog::notice, text);
    }

    // A program may end without taking its application down first (a fuzzer's exit does): the
    // thread then stops before Qt's SQL connections go with the program's static objects, which
    // were made before this runs for the first time, so they are destroyed after it.
    static void stopBeforeExit()
    {
        static std::once_flag registered;
        std::call_once(registered, [] { std::atexit([] { instance().stop(); }); });
    }

    static void closeDatabase(Database &database)
    {
        RecordsDatabase::close(database.connection);
        database.open = false;
        database.connection.clear();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<QString, Database> m_databases;
    std::set<QString> m_checked; // checked for damage once per run of the program
    const RecordsLog *m_current = nullptr;
    int m_connections = 0;
    bool m_stopping = false;
    std::thread m_thread;
};
}

RecordsLog::RecordsLog(const QString &databasePath, QObject *parent)
    : QObject(parent)
    , m_databasePath(databasePath)
{
    RecordsWriter::instance().attach(m_databasePath, this);
}

RecordsLog::~RecordsLog()
{
    // A disk that holds the writer up longer keeps the window from closing no further: the
    // events are still written, only no failure is reported any more.
    waitUntilWritten(recordsCloseWait);
    RecordsWriter::instance().detach(m_databasePath, this);
}

void RecordsLog::append(const RecordEvent &event)
{
    RecordsWriter::instance().hand(m_databasePath, event, this, false);
}

void RecordsLog::commit(const RecordEvent &event)
{
    RecordsWriter::instance().hand(m_databasePath, event, this, true);
}

bool RecordsLog::waitUntilWritten(std::chrono::milliseconds timeout)
{
    return RecordsWriter::instance().waitUntilWritten(this, timeout);
}

void openRecords(const QString &databasePath)
{
    RecordsWriter::instance().attach(databasePath, nullptr);
}
