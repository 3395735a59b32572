#include "chaincheck.h"

#include "recordsdatabase.h"

#include <QCborArray>
#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>
#include <algorithm>
#include <vector>

namespace {
using RecordsDatabase::StoredEvent;

// Findings beyond this many are counted, not each said: a file rewritten from its middle on
// would otherwise list every event after it.
constexpr int findingsSaid = 20;
// How often a long check says how far it got.
constexpr qint64 progressEvery = 20000;
// A clock set back by this much (a time server's correction) is no sign of anything.
constexpr qint64 clockSlackMs = 5LL * 60 * 1000;
// Two programs on one computer may write runs a little out of the order they began in, when one
// had to wait for the records; a run that claims to have begun longer before the newest one
// already recorded was added afterwards.
constexpr qint64 lateRunSlackMs = 24LL * 3600 * 1000;

// Texts outside any window, in the translations under "Records".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Records)
};

QString eventText(const StoredEvent &stored)
{
    return Texts::tr("event %1 (%2, %3)")
        .arg(stored.seq)
        .arg(stored.event.kind, stored.event.localTime().toString(Qt::ISODate));
}

QString rangeText(qint64 first, qint64 last)
{
    return first == last ? Texts::tr("event %1").arg(first)
                         : Texts::tr("events %1 to %2").arg(first).arg(last);
}

class Findings
{
public:
    explicit Findings(RecordsCheck &check)
        : m_check(check)
    { }
    void add(const QString &finding)
    {
        if (m_check.findings.size() < findingsSaid)
            m_check.findings.append(finding);
        else
            ++m_unsaid;
    }
    void close()
    {
        if (m_unsaid > 0)
            m_check.findings.append(Texts::tr("and %1 more findings of these kinds").arg(m_unsaid));
    }

private:
    RecordsCheck &m_check;
    qint64 m_unsaid = 0;
};

// The schema as it must be: nothing missing, nothing changed, nothing added (a trigger added
// could do as much as one dropped).
void checkSchema(QSqlDatabase &db, Findings &findings, QString *error)
{
    const QList<RecordsDatabase::SchemaObject> present = RecordsDatabase::schemaObjects(db, error);
    const QList<RecordsDatabase::SchemaObject> expected = RecordsDatabase::expectedSchema();
    const auto named = [](const QList<RecordsDatabase::SchemaObject> &objects,
                           const QString &name) -> const RecordsDatabase::SchemaObject * {
        for (const RecordsDatabase::SchemaObject &object : objects) {
            if (object.name == name)
                return &object;
        }
        return nullptr;
    };
    for (const RecordsDatabase::SchemaObject &object : expected) {
        const RecordsDatabase::SchemaObject *there = named(present, object.name);
        if (!there)
            findings.add(Texts::tr("the %1 %2 is missing from the records' schema")
                             .arg(object.type, object.name));
        else if (!(*there == object))
            findings.add(Texts::tr("the %1 %2 was changed from the one the records were made with")
                             .arg(object.type, object.name));
    }
    for (const RecordsDatabase::SchemaObject &object : present) {
        if (!named(expected, object.name))
            findings.add(Texts::tr("the records hold a %1 %2 they were not made with")
                             .arg(object.type, object.name));
    }
}

// Where a run stands, as its events so far show it.
struct RunState
{
    bool identified = false;
    bool ended = false;
    bool calibrated = false;
    bool stored = false;
    bool saveStepSent = false;
    bool passed = false;
    qint64 lastMs = 0;
};

// Each run's events in an order the program writes them, at times that go forward.
class RunOrder
{
public:
    explicit RunOrder(Findings &findings)
        : m_findings(findings)
    { }

    void take(const StoredEvent &stored)
    {
        const RecordEvent &event = stored.event;
        const QString kind = event.kind;
        if (!runKinds().contains(kind))
            return;
        RunState &run = m_runs[event.run];
        const QString why = unexpected(run, event);
        if (!why.isEmpty())
            m_findings.add(
                Texts::tr("%1 of run %2 cannot come where it stands: %3")
                    .arg(eventText(stored), event.run.toString(QUuid::WithoutBraces), why));
        if (run.identified && event.utcMs + clockSlackMs < run.lastMs)
            m_findings.add(Texts::tr("%1 of run %2 is dated before the run's earlier events")
                               .arg(eventText(stored), event.run.toString(QUuid::WithoutBraces)));
        if (kind == QLatin1String(EventKind::identified)) {
            if (event.utcMs + lateRunSlackMs < m_newestStartMs)
                m_findings.add(Texts::tr("%1 begins a run dated before runs already recorded "
                                         "ahead of it: a run added afterwards")
                                   .arg(eventText(stored)));
            m_newestStartMs = std::max(m_newestStartMs, event.utcMs);
        }
        advance(run, event);
    }

private:
    static const QSet<QString> &runKinds()
    {
        static const QSet<QString> kinds { QLatin1String(EventKind::identified),
            QLatin1String(EventKind::validation), QLatin1String(EventKind::calibration),
            QLatin1String(EventKind::store), QLatin1String(EventKind::storeDeclined),
            QLatin1String(EventKind::saveStep), QLatin1String(EventKind::saveResult),
            QLatin1String(EventKind::report), QLatin1String(EventKind::ended) };
        return kinds;
    }

    static QString unexpected(const RunState &run, const RecordEvent &event)
    {
        const auto is = [&](const char *kind) { return event.kind == QLatin1String(kind); };
        if (run.ended)
            return Texts::tr("the run had ended");
        if (is(EventKind::identified))
            return run.identified ? Texts::tr("the run was identified already") : QString();
        if (!run.identified)
            return Texts::tr("the run has no identification before it");
        if ((is(EventKind::store) || is(EventKind::storeDeclined)) && !run.calibrated)
            return Texts::tr("no calibration computed constants to store");
        if (is(EventKind::saveStep) && !run.stored)
            return Texts::tr("no constants were committed before the save step");
        if (is(EventKind::saveResult) && !run.saveStepSent)
            return Texts::tr("no save step was sent");
        if (is(EventKind::report) && !run.passed)
            return Texts::tr("no validation passed before the report");
        return {};
    }

    static void advance(RunState &run, const RecordEvent &event)
    {
        const auto is = [&](const char *kind) { return event.kind == QLatin1String(kind); };
        run.identified = run.identified || is(EventKind::identified);
        run.ended = run.ended || is(EventKind::ended);
        run.calibrated = (run.calibrated && !is(EventKind::store))
            || (is(EventKind::calibration) && event.verdict == QLatin1String(Verdict::computed));
        run.stored = run.stored || is(EventKind::store);
        run.saveStepSent = run.saveStepSent || is(EventKind::saveStep);
        if (is(EventKind::validation))
            run.passed = event.verdict == QLatin1String(Verdict::passed);
        run.lastMs = std::max(run.lastMs, event.utcMs);
    }

    Findings &m_findings;
    QHash<QUuid, RunState> m_runs;
    qint64 m_newestStartMs = 0;
};

// Every event's identifier is made by the program when the event happens: a time-ordered UUID
// (version 7) whose first 48 bits are that moment, each one once. An old history's lines are the
// exception: they keep the time their line names.
class IdentifierCheck
{
public:
    explicit IdentifierCheck(Findings &findings)
        : m_findings(findings)
    { }

    void take(const StoredEvent &stored)
    {
        const QByteArray id = stored.event.id.toRfc4122();
        m_seen.push_back({ id, stored.seq });
        if (stored.event.kind == QLatin1String(EventKind::imported))
            return;
        qint64 madeMs = 0;
        for (int i = 0; i < 6; ++i)
            madeMs = (madeMs << 8) | quint8(id.at(i));
        if ((quint8(id.at(6)) >> 4) != 7 || std::abs(madeMs - stored.event.utcMs) > idSlackMs)
            m_findings.add(Texts::tr("%1 has an identifier the program did not make at that moment")
                               .arg(eventText(stored)));
    }

    void close()
    {
        std::sort(m_seen.begin(), m_seen.end());
        for (size_t i = 1; i < m_seen.size(); ++i) {
            if (m_seen[i].first == m_seen[i - 1].first)
                m_findings.add(Texts::tr("event %1 has the same identifier as event %2")
                                   .arg(m_seen[i].second)
                                   .arg(m_seen[i - 1].second));
        }
    }

private:
    static constexpr qint64 idSlackMs = 1000;
    Findings &m_findings;
    std::vector<std::pair<QByteArray, qint64>> m_seen;
};

// Follows one chain of events in order, each hash recomputed from its content and the hash it
// continues: its predecessor's, or for a resumed event the server's that it names.
class ChainFollower
{
public:
    explicit ChainFollower(Findings &findings)
        : m_findings(findings)
    { }

    // False where the event does not match its record.
    bool take(const StoredEvent &stored, qint64 place)
    {
        QByteArray continued = m_previous;
        if (stored.event.kind == QLatin1String(EventKind::resumed))
            continued = resumed(stored, place);
        else if (m_expectedPlace && place != m_expectedPlace)
            m_findings.add(Texts::tr("%1 missing: the records go on with %2")
                               .arg(rangeText(m_expectedPlace, place - 1), eventText(stored)));
        m_expectedPlace = place + 1;
        const bool matches
            = chainHash(continued, stored.event, stored.storedPayload) == stored.hash;
        if (!matches)
            m_findings.add(
                Texts::tr("%1 (%2) does not match its record")
                    .arg(eventText(stored), stored.event.id.toString(QUuid::WithoutBraces)));
        m_previous = stored.hash;
        return matches;
    }

    qint64 nextPlace() const { return m_expectedPlace; }

private:
    // A resumed event is always said: the file lacks, or differs from, what the server holds.
    QByteArray resumed(const StoredEvent &stored, qint64 place)
    {
        const QCborMap payload = decodedPayload(stored.storedPayload);
        const qint64 serverSeq = payload.value(QLatin1String(ResumeKey::serverSeq)).toInteger();
        const qint64 fileSeq = payload.value(QLatin1String(ResumeKey::fileSeq)).toInteger();
        const QCborArray diverged = payload.value(QLatin1String(ResumeKey::diverged)).toArray();
        if (diverged.isEmpty())
            m_findings.add(Texts::tr("the records ended at event %1, before event %2 that the "
                                     "lab's server holds (%3): %4 go on from the server's head")
                               .arg(fileSeq)
                               .arg(serverSeq)
                               .arg(payload.value(QLatin1String(ResumeKey::server)).toString(),
                                   eventText(stored)));
        else
            m_findings.add(
                Texts::tr("the records differed from the lab's server after event %1: "
                          "the file's %2 are kept in %3, which goes on from the "
                          "server's event %4")
                    .arg(diverged.first().toMap().value(QStringLiteral("seq")).toInteger() - 1)
                    .arg(
                        rangeText(diverged.first().toMap().value(QStringLiteral("seq")).toInteger(),
                            diverged.last().toMap().value(QStringLiteral("seq")).toInteger()),
                        eventText(stored))
                    .arg(serverSeq));
        if (m_expectedPlace && place < m_expectedPlace)
            m_findings.add(
                Texts::tr("%1 does not come after the event before it").arg(eventText(stored)));
        return payload.value(QLatin1String(ResumeKey::serverHash)).toByteArray();
    }

    Findings &m_findings;
    QByteArray m_previous;
    qint64 m_expectedPlace = 1;
};

// The last event a server confirmed it holds must be in the file, or named by a resumed event
// the file goes on with.
QString acknowledgementProblemOf(QSqlDatabase &db, QString *error)
{
    const std::optional<RecordsDatabase::Acknowledgement> acknowledged
        = RecordsDatabase::furthestAcknowledgement(db, error);
    if (!acknowledged)
        return {};
    const RecordsDatabase::ChainPosition &position = acknowledged->position;
    if (RecordsDatabase::placeOfServerEvent(db, position))
        return {};
    const std::optional<StoredEvent> there = RecordsDatabase::eventAt(db, position.seq, error);
    return there ? Texts::tr("event %1 differs from the one the lab's server (%2) confirmed it "
                             "holds")
                       .arg(position.seq)
                       .arg(acknowledged->server)
                 : Texts::tr("the records end before event %1, which the lab's server (%2) "
                             "confirmed it holds")
                       .arg(position.seq)
                       .arg(acknowledged->server);
}

qint64 eventCount(QSqlDatabase &db)
{
    QSqlQuery count(db);
    return count.exec(QStringLiteral("SELECT count(*) FROM events")) && count.next()
        ? count.value(0).toLongLong()
        : 0;
}
}

RecordsCheck checkRecords(QSqlDatabase &db, QString *error, const CheckProgress &progress)
{
    RecordsCheck check;
    Findings findings(check);
    checkSchema(db, findings, error);
    const qint64 total = progress ? eventCount(db) : 0;
    // Told at once, so that whoever waits knows how much there is before the first step.
    if (progress && !progress(0, total)) {
        check.cancelled = true;
        return check;
    }
    ChainFollower chain(findings);
    RunOrder order(findings);
    IdentifierCheck identifiers(findings);
    const bool read = RecordsDatabase::readEvents(
        db, 0,
        [&](const StoredEvent &stored) {
            chain.take(stored, stored.seq);
            order.take(stored);
            identifiers.take(stored);
            ++check.events;
            if (progress && check.events % progressEvery == 0 && !progress(check.events, total)) {
                check.cancelled = true;
                return false;
            }
            return true;
        },
        error, RecordsDatabase::Decoding::StoredOnly);
    if (read && !check.cancelled) {
        identifiers.close();
        const QString problem = acknowledgementProblemOf(db, error);
        if (!problem.isEmpty())
            findings.add(problem);
    }
    findings.close();
    return check;
}

QString copiedRecordsText(const RecordsDatabase::Identity &identity, const QString &path)
{
    const QString here = QSysInfo::machineHostName();
    if (identity.computer.isEmpty() || identity.computer == here)
        return {};
    return Texts::tr("The records %1 were begun on the computer %2 (records %3); this is %4: they "
                     "are a copy, and are not sent to the lab's server as that bench's.")
        .arg(QDir::toNativeSeparators(path), identity.computer,
            QString::fromLatin1(identity.database.toHex()), here);
}

QString recordsStanding(QSqlDatabase &db, const QString &path)
{
    QStringList said;
    const QString copied = copiedRecordsText(RecordsDatabase::identity(db), path);
    if (!copied.isEmpty())
        said.append(copied);
    QString error;
    const QString problem = acknowledgementProblemOf(db, &error);
    if (!problem.isEmpty())
        said.append(Texts::tr("The calibration records %1 do not reach as far as the lab's server "
                              "confirmed: %2. Events were removed from the file, or it was put "
                              "back from an older copy. No sequence number is given twice: "
                              "recording goes on from the server's last event, and the server "
                              "keeps what the file lost.")
                        .arg(QDir::toNativeSeparators(path), problem));
    return said.join(QLatin1Char('\n'));
}

RecordsCheck compareWithServer(QSqlDatabase &local, QSqlDatabase &server, QString *error)
{
    RecordsCheck check;
    Findings findings(check);
    const QByteArray source = RecordsDatabase::databaseIdentity(local);
    QSqlQuery held(server);
    held.setForwardOnly(true);
    held.prepare(
        QStringLiteral("SELECT source_seq, hash FROM events WHERE source = ? ORDER BY source_seq"));
    held.addBindValue(source);
    if (!held.exec()) {
        *error = held.lastError().text();
        return check;
    }
    QSqlQuery own(local);
    own.setForwardOnly(true);
    if (!own.exec(QStringLiteral("SELECT seq, hash FROM events ORDER BY seq"))) {
        *error = own.lastError().text();
        return check;
    }
    bool ownLeft = own.next();
    qint64 missingFrom = 0, missingTo = 0;
    const auto sayMissing = [&] {
        if (missingFrom)
            findings.add(Texts::tr("the lab's server holds %1 of these records, which the file "
                                   "does not")
                             .arg(rangeText(missingFrom, missingTo)));
        missingFrom = 0;
    };
    while (held.next()) {
        const qint64 seq = held.value(0).toLongLong();
        while (ownLeft && own.value(0).toLongLong() < seq)
            ownLeft = own.next();
        ++check.events;
        if (ownLeft && own.value(0).toLongLong() == seq) {
            sayMissing();
            if (own.value(1).toByteArray() != held.value(1).toByteArray())
                findings.add(
                    Texts::tr("event %1 differs from the one the lab's server holds").arg(seq));
            continue;
        }
        if (!missingFrom)
            missingFrom = seq;
        missingTo = seq;
    }
    sayMissing();
    findings.close();
    return check;
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
    std::optional<Findings> findings;
    std::optional<ChainFollower> chain;
    while (query.next()) {
        const QByteArray source = query.value(0).toByteArray();
        if (checks.isEmpty() || source != checks.last().source) {
            if (findings)
                findings->close();
            checks.append({ query.value(1).toString(), source, {} });
            findings.emplace(checks.last().check);
            chain.emplace(*findings);
        }
        // The bench's own sequence number stands where the event's place in its records would.
        const StoredEvent stored
            = RecordsDatabase::storedEventOf(query, 2, RecordsDatabase::Decoding::StoredOnly);
        chain->take(stored, stored.seq);
        ++checks.last().check.events;
    }
    if (findings)
        findings->close();
    return checks;
}
