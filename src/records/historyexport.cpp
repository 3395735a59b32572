#include "historyexport.h"

#include "historycsv.h"
#include "recordsdatabase.h"
#include "runevents.h"

#include <QCborArray>
#include <QHash>
#include <QIODevice>

namespace {
// A line's values by column title.
class CsvValues
{
public:
    void set(const QString &column, const QString &value)
    {
        m_values.insert(column, value.trimmed());
    }
    QStringList line() const
    {
        QStringList line;
        for (const QString &column : HistoryCsv::columns())
            line.append(m_values.value(column));
        return line;
    }

private:
    QHash<QString, QString> m_values;
};

QString commandText(const QByteArray &command)
{
    return QString::fromLatin1(command).replace(QLatin1Char('\r'), QStringLiteral("<CR>"));
}

QString eventName(const RecordEvent &event)
{
    static const QHash<QString, QString> names {
        { QLatin1String(EventKind::identified), QStringLiteral("Identified") },
        { QLatin1String(EventKind::store), QStringLiteral("Constants sent") },
        { QLatin1String(EventKind::storeDeclined), QStringLiteral("Constants not stored") },
        { QLatin1String(EventKind::saveStep), QStringLiteral("Save step") },
        { QLatin1String(EventKind::report), QStringLiteral("Report written") },
        { QLatin1String(EventKind::ended), QStringLiteral("Run ended") },
        { QLatin1String(EventKind::importFinished), QStringLiteral("History imported") },
    };
    if (event.kind == QLatin1String(EventKind::validation))
        return event.verdict == QLatin1String(Verdict::passed)
            ? QStringLiteral("Validation passed")
            : QStringLiteral("Validation failed");
    if (event.kind == QLatin1String(EventKind::calibration))
        return event.verdict == QLatin1String(Verdict::computed)
            ? QStringLiteral("Calibration computed")
            : QStringLiteral("Calibration ") + event.verdict;
    if (event.kind == QLatin1String(EventKind::saveResult))
        return event.verdict == QLatin1String(Verdict::confirmed)
            ? QStringLiteral("Save confirmed")
            : QStringLiteral("Save not confirmed");
    return names.value(event.kind, event.kind);
}

void addIdentity(CsvValues &values, const QCborMap &identified)
{
    const QCborMap fixture = identified.value(QLatin1String(Key::fixture)).toMap();
    const QCborMap sensor = identified.value(QLatin1String(Key::sensor)).toMap();
    values.set(QStringLiteral("Fixture model"), keptText(fixture.value(QLatin1String(Key::model))));
    values.set(
        QStringLiteral("Fixture serial"), keptText(fixture.value(QLatin1String(Key::serial))));
    values.set(
        QStringLiteral("Fixture version"), keptText(fixture.value(QLatin1String(Key::firmware))));
    values.set(QStringLiteral("Fixture calibration date"),
        keptText(fixture.value(QLatin1String(Key::calDate))));
    values.set(QStringLiteral("Sensor model"), keptText(sensor.value(QLatin1String(Key::model))));
    values.set(QStringLiteral("Sensor serial"), keptText(sensor.value(QLatin1String(Key::serial))));
    values.set(
        QStringLiteral("Sensor firmware"), keptText(sensor.value(QLatin1String(Key::firmware))));
    values.set(QStringLiteral("Sensor calibration date"),
        keptText(sensor.value(QLatin1String(Key::calDate))));
    values.set(
        QStringLiteral("Computer"), identified.value(QLatin1String(Key::computer)).toString());
    values.set(QStringLiteral("Account"), identified.value(QLatin1String(Key::login)).toString());
    values.set(
        QStringLiteral("Technician"), identified.value(QLatin1String(Key::fullName)).toString());
    values.set(QStringLiteral("Program"), identified.value(QLatin1String(Key::program)).toString());
}

void addDetails(CsvValues &values, const RecordEvent &event)
{
    const QCborMap &payload = event.payload;
    const auto text = [&](const char *key) { return payload.value(QLatin1String(key)).toString(); };
    if (event.kind == QLatin1String(EventKind::validation)) {
        const QCborArray steps = payload.value(QLatin1String(Key::steps)).toArray();
        for (qsizetype step = 0; step < steps.size(); ++step)
            values.set(QStringLiteral("Step %1").arg(step + 1),
                steps.at(step).toMap().value(QLatin1String(Key::text)).toString());
        values.set(QStringLiteral("Phase"), text(Key::phase));
    } else if (event.kind == QLatin1String(EventKind::calibration)) {
        for (const auto &[column, key] : { std::pair { "Low average", Key::lowAverage },
                 std::pair { "High average", Key::highAverage } }) {
            const QCborValue average = payload.value(QLatin1String(key));
            values.set(QLatin1String(column),
                average.isInteger() ? QString::number(average.toInteger()) : QString());
        }
        values.set(QStringLiteral("New MC"), text(Key::newSlope));
        values.set(QStringLiteral("New BC"), text(Key::newOffset));
    } else if (event.kind == QLatin1String(EventKind::store)
        || event.kind == QLatin1String(EventKind::storeDeclined)) {
        values.set(QStringLiteral("Old MC"), keptText(payload.value(QLatin1String(Key::oldSlope))));
        values.set(
            QStringLiteral("Old BC"), keptText(payload.value(QLatin1String(Key::oldOffset))));
        values.set(QStringLiteral("New MC"), text(Key::newSlope));
        values.set(QStringLiteral("New BC"), text(Key::newOffset));
        if (payload.value(QLatin1String(Key::warned)).toBool())
            values.set(QStringLiteral("Details"),
                QStringLiteral("warned: MC changes by %1 %")
                    .arg(payload.value(QLatin1String(Key::slopeChange)).toDouble(), 0, 'f', 1));
    } else if (event.kind == QLatin1String(EventKind::saveStep)) {
        values.set(QStringLiteral("Details"),
            commandText(payload.value(QLatin1String(Key::command)).toByteArray()));
    } else if (event.kind == QLatin1String(EventKind::report)) {
        values.set(QStringLiteral("Report file"), text(Key::path));
        QStringList details { text(Key::variant) + QStringLiteral(" report") };
        for (const QCborValue &edit : payload.value(QLatin1String(Key::edited)).toArray()) {
            const QCborMap field = edit.toMap();
            details.append(QStringLiteral("%1 edited from \"%2\" to \"%3\"")
                               .arg(field.value(QLatin1String(Key::field)).toString(),
                                   field.value(QLatin1String(Key::recorded)).toString().trimmed(),
                                   field.value(QLatin1String(Key::shown)).toString().trimmed()));
        }
        values.set(QStringLiteral("Details"), details.join(QStringLiteral("; ")));
    } else if (event.kind == QLatin1String(EventKind::ended)) {
        values.set(QStringLiteral("Details"), text(Key::reason));
    } else if (event.kind == QLatin1String(EventKind::importFinished)) {
        values.set(QStringLiteral("Details"),
            QStringLiteral("%1, %2 lines")
                .arg(text(Key::file))
                .arg(payload.value(QLatin1String(Key::lines)).toInteger()));
    }
}

QStringList lineOf(const RecordsDatabase::StoredEvent &stored, const QHash<QUuid, QCborMap> &runs)
{
    const RecordEvent &event = stored.event;
    CsvValues values;
    if (event.kind == QLatin1String(EventKind::imported)) {
        const QCborMap columns = event.payload.value(QLatin1String(Key::columns)).toMap();
        for (auto column = columns.cbegin(); column != columns.cend(); ++column)
            values.set(column.key().toString(), column.value().toString());
        values.set(QStringLiteral("Imported"), QStringLiteral("yes"));
    } else {
        const QDateTime local = event.localTime();
        values.set(QStringLiteral("Date"), local.toString(QStringLiteral("yyyy-MM-dd")));
        values.set(QStringLiteral("Time"), local.toString(QStringLiteral("HH:mm:ss")));
        addIdentity(values, runs.value(event.run));
        values.set(QStringLiteral("Event"), eventName(event));
        addDetails(values, event);
    }
    values.set(QStringLiteral("Run"), event.run.toString(QUuid::WithoutBraces));
    values.set(QStringLiteral("Event id"), event.id.toString(QUuid::WithoutBraces));
    values.set(QStringLiteral("UTC time"),
        QDateTime::fromMSecsSinceEpoch(event.utcMs, Qt::UTC).toString(Qt::ISODate));
    return values.line();
}
}

bool exportHistoryCsv(QSqlDatabase &db, QIODevice &out, QString *error)
{
    out.write(HistoryCsv::byteOrderMark + HistoryCsv::line(HistoryCsv::columns()));
    // Each run's identification comes before its other events.
    QHash<QUuid, QCborMap> runs;
    bool written = true;
    const bool read = RecordsDatabase::readEvents(
        db, 0,
        [&](const RecordsDatabase::StoredEvent &stored) {
            if (stored.event.kind == QLatin1String(EventKind::identified))
                runs.insert(stored.event.run, stored.event.payload);
            const QByteArray line = HistoryCsv::line(lineOf(stored, runs));
            written = out.write(line) == line.size();
            return written;
        },
        error);
    if (read && !written)
        *error = out.errorString();
    return read && written;
}
