#ifndef TAMPERER_H
#define TAMPERER_H

#include "recordsdatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

// What an auditor does to a copy of real records with sqlite3 and a short script: the
// append-only triggers dropped, the change made, every later hash recomputed where it says so,
// and the triggers put back as they were.
class Tamperer
{
public:
    explicit Tamperer(const QString &path)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("tamperer"));
        m_db.setDatabaseName(path);
        m_db.open();
        QSqlQuery triggers(m_db);
        triggers.exec("SELECT name, sql FROM sqlite_master WHERE type = 'trigger'");
        while (triggers.next())
            m_triggers.append({ triggers.value(0).toString(), triggers.value(1).toString() });
        for (const auto &[name, sql] : m_triggers)
            run("DROP TRIGGER " + name);
    }
    ~Tamperer()
    {
        if (m_putTriggersBack) {
            for (const auto &[name, sql] : m_triggers)
                run(sql);
        }
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase("tamperer");
    }
    void leaveTriggersOut() { m_putTriggersBack = false; }
    bool run(const QString &statement, const QVariantList &values = {})
    {
        QSqlQuery query(m_db);
        query.prepare(statement);
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
        qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        return false;
    }
    // Every hash from the event at the place on, recomputed as the program would.
    bool rechainFrom(qint64 seq)
    {
        QByteArray previous;
        QSqlQuery before(m_db);
        before.prepare("SELECT hash FROM events WHERE seq < ? ORDER BY seq DESC LIMIT 1");
        before.addBindValue(seq);
        if (before.exec() && before.next())
            previous = before.value(0).toByteArray();
        QList<RecordsDatabase::StoredEvent> later;
        QString error;
        RecordsDatabase::readEvents(
            m_db, seq - 1,
            [&](const RecordsDatabase::StoredEvent &stored) {
                later.append(stored);
                return true;
            },
            &error);
        for (const RecordsDatabase::StoredEvent &stored : later) {
            const QByteArray hash = chainHash(previous, stored.event, stored.storedPayload);
            if (!run("UPDATE events SET hash = ? WHERE seq = ?", { hash, stored.seq }))
                return false;
            previous = hash;
        }
        return true;
    }
    QSqlDatabase &db() { return m_db; }

private:
    QSqlDatabase m_db;
    QList<std::pair<QString, QString>> m_triggers;
    bool m_putTriggersBack = true;
};

#endif
