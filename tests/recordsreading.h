#ifndef RECORDSREADING_H
#define RECORDSREADING_H

#include "storedrecords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

// The program's calibration records as a test reads them back.
inline QList<RecordEvent> recordedEvents(const QString &path = RecordsDatabase::defaultPath())
{
    QList<RecordEvent> events;
    for (const RecordsDatabase::StoredEvent &stored : storedEvents(path))
        events.append(stored.event);
    return events;
}

// Each event as "kind" or "kind: verdict", in order.
inline QStringList recordedKinds(const QString &path = RecordsDatabase::defaultPath())
{
    QStringList kinds;
    for (const RecordEvent &event : recordedEvents(path))
        kinds.append(event.verdict.isEmpty() ? event.kind
                                             : event.kind + QStringLiteral(": ") + event.verdict);
    return kinds;
}

inline RecordEvent lastRecorded(
    const char *kind, const QString &path = RecordsDatabase::defaultPath())
{
    const QList<RecordEvent> events = recordedEvents(path);
    for (auto event = events.crbegin(); event != events.crend(); ++event) {
        if (event->kind == QLatin1String(kind))
            return *event;
    }
    return {};
}

// The events written to the records at the path as one transaction, through a connection that
// is closed again, as a program that ends leaves them: no log beside them.
inline bool writeRecords(const QString &path, const QList<RecordEvent> &events)
{
    const QString connection = QStringLiteral("test-records-writer");
    QString error;
    bool written = RecordsDatabase::openForWriting(path, connection, &error);
    {
        QSqlDatabase db = QSqlDatabase::database(connection);
        written = written && RecordsDatabase::appendEvents(db, events, &error);
    }
    RecordsDatabase::close(connection);
    if (!written)
        qWarning("cannot write the records %s: %s", qPrintable(path), qPrintable(error));
    return written;
}

// No records from earlier tests, even where one made their folder a plain file.
inline void removeRecords()
{
    const QString folder = QFileInfo(RecordsDatabase::defaultPath()).absolutePath();
    QFile::remove(folder);
    QDir(folder).removeRecursively();
}

#endif
