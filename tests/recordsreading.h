#ifndef RECORDSREADING_H
#define RECORDSREADING_H

#include "recordsdatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

// The program's calibration records as a test reads them back, through a connection of its
// own, with each event's place and hash.
inline QList<RecordsDatabase::StoredEvent> storedEvents(
    const QString &path = RecordsDatabase::defaultPath())
{
    const QString connection = QStringLiteral("test-reader");
    QList<RecordsDatabase::StoredEvent> events;
    QString error;
    if (RecordsDatabase::openForReading(path, connection, &error)) {
        QSqlDatabase db = QSqlDatabase::database(connection);
        RecordsDatabase::readEvents(
            db, 0,
            [&](const RecordsDatabase::StoredEvent &stored) {
                events.append(stored);
                return true;
            },
            &error);
    }
    RecordsDatabase::close(connection);
    return events;
}

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

// No records from earlier tests, even where one made their folder a plain file.
inline void removeRecords()
{
    const QString folder = QFileInfo(RecordsDatabase::defaultPath()).absolutePath();
    QFile::remove(folder);
    QDir(folder).removeRecursively();
}

#endif
