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

// No records from earlier tests, even where one made their folder a plain file.
inline void removeRecords()
{
    const QString folder = QFileInfo(RecordsDatabase::defaultPath()).absolutePath();
    QFile::remove(folder);
    QDir(folder).removeRecursively();
}

#endif
