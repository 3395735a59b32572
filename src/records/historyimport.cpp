#include "historyimport.h"

#include "historycsv.h"
#include "logging.h"
#include "recordsdatabase.h"
#include "runevents.h"
#include "sha256.h"

#include <QCborArray>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
const QString importedSuffix = QStringLiteral(".imported.csv");

// The outcome the register reads, for the events earlier versions wrote.
QString verdictOf(const QString &eventName)
{
    static const QHash<QString, const char *> verdicts {
        { QStringLiteral("Validation passed"), Verdict::passed },
        { QStringLiteral("Validation failed"), Verdict::failed },
        { QStringLiteral("Calibration computed"), Verdict::computed },
        { QStringLiteral("Calibration failed: unreadable sample"), Verdict::unreadableSample },
        { QStringLiteral("Save confirmed"), Verdict::confirmed },
        { QStringLiteral("Save not confirmed"), Verdict::notConfirmed },
    };
    const char *verdict = verdicts.value(eventName);
    return verdict ? QLatin1String(verdict) : QString();
}

// The moment the line names, in the computer's local time; the moment of the import where it
// names none.
QDateTime momentOf(const QString &date, const QString &time)
{
    const QDateTime moment(QDate::fromString(date, Qt::ISODate),
        QTime::fromString(time, QStringLiteral("HH:mm:ss")), Qt::LocalTime);
    return moment.isValid() ? moment : QDateTime::currentDateTime();
}

RecordEvent importedEvent(
    const HistoryCsv::Record &record, const QStringList &header, const QUuid &run)
{
    const auto column = [&](const char *title) {
        return record.fields.value(header.indexOf(QLatin1String(title)));
    };
    RecordEvent event = newEvent(EventKind::imported, run);
    const QDateTime moment = momentOf(column("Date"), column("Time"));
    event.utcMs = moment.toMSecsSinceEpoch();
    event.utcOffsetSeconds = moment.offsetFromUtc();
    event.sensorSerial = column("Sensor serial").toUtf8();
    event.fixtureSerial = column("Fixture serial").toUtf8();
    event.verdict = verdictOf(column("Event"));
    QCborMap columns;
    for (qsizetype i = 0; i < header.size(); ++i)
        columns.insert(header.at(i), record.fields.value(i));
    event.payload
        = { { QLatin1String(Key::line), record.bytes }, { QLatin1String(Key::columns), columns } };
    return event;
}

// The lines of one sensor from its identification on, on one day, belong to one run.
QList<RecordEvent> importedEvents(const QList<HistoryCsv::Record> &records)
{
    QList<RecordEvent> events;
    if (records.isEmpty())
        return events;
    const QStringList header = records.first().fields;
    const qsizetype serialColumn = header.indexOf(QStringLiteral("Sensor serial"));
    const qsizetype eventColumn = header.indexOf(QStringLiteral("Event"));
    const qsizetype dateColumn = header.indexOf(QStringLiteral("Date"));
    QUuid run;
    QString runSerial, runDate;
    for (qsizetype line = 1; line < records.size(); ++line) {
        const HistoryCsv::Record &record = records.at(line);
        const QString serial = record.fields.value(serialColumn);
        const QString date = record.fields.value(dateColumn);
        if (run.isNull() || serial != runSerial || date != runDate
            || record.fields.value(eventColumn) == QLatin1String("Identified")) {
            run = timeOrderedUuid();
            runSerial = serial;
            runDate = date;
        }
        events.append(importedEvent(record, header, run));
    }
    return events;
}

bool alreadyImported(QSqlDatabase &db, const QByteArray &fileHash, QString *error)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT payload FROM events WHERE kind = ?"));
    query.addBindValue(QLatin1String(EventKind::importFinished));
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        if (decodedPayload(query.value(0).toByteArray())
                .value(QLatin1String(Key::sha256))
                .toByteArray()
            == fileHash)
            return true;
    }
    return false;
}

// calibration-history.imported.csv, or a numbered one beside an earlier import's.
QString importedName(const QString &csvPath)
{
    const QString stem = csvPath.left(csvPath.size() - QStringLiteral(".csv").size());
    QString name = stem + importedSuffix;
    for (int number = 2; QFile::exists(name); ++number)
        name = stem + QStringLiteral(".imported-%1.csv").arg(number);
    return name;
}
}

bool importLegacyHistory(QSqlDatabase &db, const QString &csvPath, QString *error)
{
    QFile file(csvPath);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        // Left where it is, for the next start; the records work meanwhile.
        qCWarning(lcRecords) << "cannot read the old history" << csvPath << file.errorString();
        return true;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    const QByteArray fileHash = sha256Of(bytes);
    error->clear();
    // Looked for and added under one write lock: two programs starting together both find the
    // file, and only the first imports it.
    QSqlQuery transaction(db);
    if (!transaction.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        *error = transaction.lastError().text();
        return false;
    }
    const bool imported = alreadyImported(db, fileHash, error);
    if (!imported && error->isEmpty()) {
        QList<RecordEvent> events = importedEvents(HistoryCsv::parse(bytes));
        RecordEvent finished = newEvent(EventKind::importFinished, timeOrderedUuid());
        finished.payload = { { QLatin1String(Key::file), QFileInfo(csvPath).fileName() },
            { QLatin1String(Key::sha256), fileHash },
            { QLatin1String(Key::lines), qint64(events.size()) } };
        events.append(finished);
        if (RecordsDatabase::insertEvents(db, events, error))
            qCDebug(lcRecords) << "imported" << events.size() - 1 << "lines of" << csvPath;
    }
    if (!error->isEmpty() || !transaction.exec(QStringLiteral("COMMIT"))) {
        if (error->isEmpty())
            *error = transaction.lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (!QFile::rename(csvPath, importedName(csvPath)))
        qCWarning(lcRecords) << "imported, but cannot rename" << csvPath;
    return true;
}
