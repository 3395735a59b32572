#include "recordevent.h"
#include "register.h"

#include <QVariant>

namespace {
// The kinds that begin a run: the dialog's identification, or a line of an old history.
const QString identified = QLatin1String(EventKind::identified);
const QString imported = QLatin1String(EventKind::imported);
}

namespace RegisterQueries {
BoundQuery sensorTotals()
{
    return { QStringLiteral("SELECT sensor_serial,"
                            " max(utc_ms) FILTER (WHERE kind IN (?, ?)),"
                            " max(utc_ms) FILTER (WHERE verdict = ? AND kind IN (?, ?)),"
                            " max(utc_ms) FILTER (WHERE verdict = ?),"
                            " count(*) FILTER (WHERE kind = ?),"
                            " min(CASE WHEN kind = ? THEN 1 WHEN kind = ? THEN 0 END)"
                            " FROM events WHERE sensor_serial IS NOT NULL GROUP BY sensor_serial"
                            // A sensor the lab named a customer for, never run, is no sensor yet.
                            " HAVING max(utc_ms) FILTER (WHERE kind IN (?, ?)) IS NOT NULL"),
        { identified, imported, QLatin1String(Verdict::passed), QLatin1String(EventKind::ended),
            imported, QLatin1String(Verdict::confirmed), identified, imported, identified,
            identified, imported } };
}

// The row of each sensor's latest event that meets the condition, found by its time: a join
// both SQLite and PostgreSQL answer from the register's index. The condition speaks of the
// events as e.
BoundQuery latestOfEachSensor(const QString &condition, const QVariantList &values)
{
    return { QStringLiteral("SELECT e.sensor_serial, e.utc_ms, e.run, e.verdict FROM events e JOIN"
                            " (SELECT sensor_serial, max(utc_ms) AS latest FROM events e"
                            "  WHERE sensor_serial IS NOT NULL AND %1 GROUP BY sensor_serial) m"
                            " ON e.sensor_serial = m.sensor_serial AND e.utc_ms = m.latest"
                            " WHERE %1")
                 .arg(condition),
        values + values };
}

BoundQuery latestRuns()
{
    return latestOfEachSensor(QStringLiteral("e.kind IN (?, ?)"), { identified, imported });
}

BoundQuery runEndings()
{
    return latestOfEachSensor(
        QStringLiteral("(e.kind = ? OR (e.kind = ? AND e.verdict IN (?, ?)))"),
        { QLatin1String(EventKind::ended), imported, QLatin1String(Verdict::passed),
            QLatin1String(Verdict::failed) });
}

BoundQuery identificationOf(const QUuid &run)
{
    return { QStringLiteral("SELECT kind, payload, seq FROM events WHERE run = ? AND kind IN (?, ?)"
                            " ORDER BY seq LIMIT 1"),
        { run.toRfc4122(), identified, imported } };
}

BoundQuery runsOf(const QByteArray &sensorSerial)
{
    return { QStringLiteral("SELECT run, min(utc_ms) AS started FROM events WHERE sensor_serial = ?"
                            " AND kind IN (?, ?) GROUP BY run ORDER BY started DESC"),
        { sensorSerial, identified, imported } };
}

BoundQuery eventsOf(const QUuid &run)
{
    return { QStringLiteral("SELECT seq, payload, hash FROM events WHERE run = ? ORDER BY seq"),
        { run.toRfc4122() } };
}

BoundQuery fixtureTotals()
{
    return {
        QStringLiteral(
            "SELECT fixture_serial, max(utc_ms), run, count(DISTINCT run) FROM events"
            " WHERE sensor_serial IS NOT NULL AND kind IN (?, ?) AND fixture_serial IS NOT NULL"
            " GROUP BY fixture_serial ORDER BY fixture_serial"),
        { identified, imported }
    };
}

BoundQuery eventsOfRunsWithFixture(
    const QByteArray &fixtureSerial, const QDate &from, const std::optional<QDate> &until)
{
    const DayPeriod period = DayPeriod::of(from, until);
    return { RecordsDatabase::eventsSelection()
            + QLatin1String("WHERE run IN (SELECT run FROM events WHERE sensor_serial IS NOT NULL"
                            " AND kind IN (?, ?) AND fixture_serial = ? AND utc_ms >= ?"
                            " AND utc_ms < ?) ORDER BY run, seq"),
        { identified, imported, fixtureSerial, period.first.toMSecsSinceEpoch(),
            period.end ? period.end->toMSecsSinceEpoch() : std::numeric_limits<qint64>::max() } };
}
}
