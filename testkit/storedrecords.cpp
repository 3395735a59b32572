#include "storedrecords.h"

QList<RecordsDatabase::StoredEvent> storedEvents(const QString &path)
{
    const QString connection = QStringLiteral("stored-records-reader");
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
