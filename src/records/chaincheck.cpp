#include "chaincheck.h"

#include "recordsdatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
// Takes the events of one chain in order; false at the first that does not match.
class ChainFollower
{
public:
    bool take(const RecordsDatabase::StoredEvent &stored, qint64 place)
    {
        if (chainHash(m_previous, stored.event, stored.storedPayload) != stored.hash) {
            m_check.firstMismatch
                = QStringLiteral("event %1 (%2, %3, %4) does not match its record")
                      .arg(place)
                      .arg(stored.event.kind, stored.event.localTime().toString(Qt::ISODate),
                          stored.event.id.toString(QUuid::WithoutBraces));
            return false;
        }
        m_previous = stored.hash;
        ++m_check.events;
        return true;
    }
    ChainCheck result(bool read) const
    {
        ChainCheck check = m_check;
        check.intact = read && check.firstMismatch.isEmpty();
        return check;
    }

private:
    QByteArray m_previous;
    ChainCheck m_check;
};
}

ChainCheck checkChain(QSqlDatabase &db, QString *error)
{
    ChainFollower chain;
    const bool read = RecordsDatabase::readEvents(
        db, 0,
        [&](const RecordsDatabase::StoredEvent &stored) { return chain.take(stored, stored.seq); },
        error);
    return chain.result(read);
}

QList<BenchChainCheck> checkServerChains(QSqlDatabase &server, QString *error)
{
    QSqlQuery query(server);
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("SELECT source, bench, source_seq, id, run, kind, utc_ms, utc_offset_s,"
                           " sensor_serial, fixture_serial, verdict, payload, hash FROM events"
                           " ORDER BY source, source_seq"))) {
        *error = query.lastError().text();
        return {};
    }
    QList<BenchChainCheck> checks;
    QByteArray source;
    ChainFollower chain;
    bool broken = false;
    while (query.next()) {
        if (checks.isEmpty() || query.value(0).toByteArray() != source) {
            if (!checks.isEmpty())
                checks.last().check = chain.result(true);
            source = query.value(0).toByteArray();
            chain = ChainFollower();
            broken = false;
            checks.append({ query.value(1).toString(), source, {} });
        }
        // The bench's own sequence number stands where the event's place in its records would.
        const RecordsDatabase::StoredEvent stored = RecordsDatabase::storedEventOf(query, 2);
        if (!broken)
            broken = !chain.take(stored, stored.seq);
    }
    if (!checks.isEmpty())
        checks.last().check = chain.result(true);
    return checks;
}
