#include "register.h"

#include "certificate.h"
#include "protocol.h"
#include "runevents.h"
#include "stepbounds.h"

#include <QCborArray>
#include <QCoreApplication>
#include <QHash>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
// The kinds the register reads a sensor's runs by.
const QString identified = QLatin1String(EventKind::identified);
const QString imported = QLatin1String(EventKind::imported);

std::optional<QSqlQuery> query(QSqlDatabase db, const BoundQuery &bound, QString *error)
{
    QSqlQuery query(db);
    // The register asks while it reads another answer. SQLite keeps every answer open; Qt's
    // PostgreSQL driver reads a forward-only one row by row and drops it at the next question,
    // so there each answer is read whole first.
    query.setForwardOnly(db.driverName() != QLatin1String("QPSQL"));
    query.prepare(bound.statement);
    for (const QVariant &value : bound.values)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    return query;
}

const FixtureRun &madeOf(const FixtureRun &run)
{
    return run;
}

const FixtureRun &madeOf(const RecalledRun &run)
{
    return run.made;
}

template <typename Run> void sortNewestFirst(QList<Run> &runs)
{
    std::sort(runs.begin(), runs.end(),
        [](const Run &a, const Run &b) { return madeOf(a).at > madeOf(b).at; });
}

QDateTime localTimeOf(qint64 utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs);
}

QString text(const QCborMap &map, const char *key)
{
    return map.value(QLatin1String(key)).toString();
}

QString kept(const QCborMap &map, const char *key)
{
    return keptText(map.value(QLatin1String(key)));
}

std::optional<QDate> keptDate(const QCborMap &map, const char *key)
{
    const QDate date = QDate::fromString(
        map.value(QLatin1String(key)).toMap().value(QLatin1String(Key::date)).toString(),
        Qt::ISODate);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

ValidationResult validationOf(const RecordEvent &event)
{
    ValidationResult result { event.localTime(), event.verdict == QLatin1String(Verdict::passed),
        {}, 0 };
    const QCborArray steps = event.payload.value(QLatin1String(Key::steps)).toArray();
    for (qsizetype step = 0; step < steps.size() && step < 5; ++step) {
        const QCborMap kept = steps.at(step).toMap();
        result.steps[size_t(step)]
            = StepResult { text(kept, Key::text), kept.value(QLatin1String(Key::number)).toDouble(),
                  kept.value(QLatin1String(Key::lower)).toDouble(),
                  kept.value(QLatin1String(Key::upper)).toDouble(),
                  kept.value(QLatin1String(Key::passed)).toBool() };
    }
    return result;
}

// An imported validation line: its readings judged by the bounds they were judged by.
ValidationResult importedValidation(const RecordEvent &event, const QCborMap &columns)
{
    ValidationResult result { event.localTime(), event.verdict == QLatin1String(Verdict::passed),
        {}, 0 };
    for (int step = 1; step <= validationStepCount; ++step) {
        const QString reading = columns.value(QStringLiteral("Step %1").arg(step)).toString();
        const StepBounds bounds = stepBounds(step);
        result.steps[size_t(step - 1)] = StepResult { reading, readingValue(reading), bounds.lower,
            bounds.upper, stepPasses(step, reading) };
    }
    return result;
}

void readIdentification(RunSummary &summary, const RecordEvent &event)
{
    const QCborMap &payload = event.payload;
    const QCborMap sensor = payload.value(QLatin1String(Key::sensor)).toMap();
    const QCborMap fixture = payload.value(QLatin1String(Key::fixture)).toMap();
    summary.started = event.localTime();
    summary.account = text(payload, Key::login);
    summary.technician
        = text(payload, Key::fullName).isEmpty() ? summary.account : text(payload, Key::fullName);
    summary.computer = text(payload, Key::computer);
    summary.program = text(payload, Key::program);
    summary.sensorModel = kept(sensor, Key::model);
    summary.sensorSerial = kept(sensor, Key::serial);
    summary.sensorFirmware = kept(sensor, Key::firmware);
    summary.sensorCalibrationDate = kept(sensor, Key::calDate);
    summary.asFoundSlope = kept(payload, Key::slope);
    summary.asFoundOffset = kept(payload, Key::offset);
    summary.fixture.model = kept(fixture, Key::model);
    summary.fixture.serial = kept(fixture, Key::serial);
    summary.fixture.firmware = kept(fixture, Key::firmware);
    summary.fixture.calibrationDateText = kept(fixture, Key::calDate);
    summary.fixture.calibrationDate = keptDate(fixture, Key::calDate);
}

void readAdjustment(RunSummary &summary, const RecordEvent &event)
{
    const QCborMap &payload = event.payload;
    Adjustment adjustment { kept(payload, Key::oldSlope), kept(payload, Key::oldOffset),
        text(payload, Key::newSlope), text(payload, Key::newOffset), std::nullopt, false, false,
        payload.value(QLatin1String(Key::warned)).toBool(), {}, {} };
    const QCborValue change = payload.value(QLatin1String(Key::slopeChange));
    if (!change.isUndefined())
        adjustment.slopeChangePercent = change.toDouble();
    summary.adjustment = adjustment;
}

void readReport(RunSummary &summary, const RecordEvent &event)
{
    summary.reportPath = text(event.payload, Key::path);
    for (const QCborValue &edit : event.payload.value(QLatin1String(Key::edited)).toArray())
        summary.editedFields.append(text(edit.toMap(), Key::field));
}

// A run's validations and adjustments as they come, read into as found, as left and the rest.
class Outcome
{
public:
    explicit Outcome(RunSummary &summary)
        : m_summary(summary)
    { }
    void validated(ValidationResult validation)
    {
        if (!validation.complete())
            return;
        if (!m_summary.adjustment && !m_summary.asFound)
            m_summary.asFound = validation;
        m_validations.append(validation);
    }
    void adjusted(Adjustment adjustment)
    {
        adjustment.lowReadings = m_lowReadings;
        adjustment.highReadings = m_highReadings;
        m_summary.adjustment = adjustment;
        m_sinceAdjustment = m_validations.size();
    }
    // The readings counted for the constants: of each sample number from 1, the last read.
    void calibrated(const QCborMap &payload)
    {
        m_lowReadings = countedReadings(payload.value(QLatin1String(Key::low)).toArray());
        m_highReadings = countedReadings(payload.value(QLatin1String(Key::high)).toArray());
    }
    void saved(bool confirmed)
    {
        m_summary.adjustment->answered = true;
        m_summary.adjustment->confirmed = confirmed;
    }
    void close()
    {
        if (m_validations.size() > m_sinceAdjustment)
            m_summary.asLeft = m_validations.constLast();
        for (const ValidationResult &validation : std::as_const(m_validations)) {
            const bool named = (m_summary.asFound && validation.seq == m_summary.asFound->seq)
                || (m_summary.asLeft && validation.seq == m_summary.asLeft->seq);
            if (!named)
                m_summary.otherValidations.append(validation);
        }
        m_summary.result = !m_summary.asLeft ? RunResult::NotValidated
            : m_summary.asLeft->passed       ? RunResult::Passed
                                             : RunResult::Failed;
    }

private:
    static QList<int> countedReadings(const QCborArray &samples)
    {
        QMap<qint64, int> counted;
        for (const QCborValue &sample : samples) {
            const QCborArray fields = sample.toArray();
            if (fields.at(0).toInteger() > 0 && fields.at(2).isInteger())
                counted.insert(fields.at(0).toInteger(), int(fields.at(2).toInteger()));
        }
        return counted.values();
    }

    RunSummary &m_summary;
    QList<ValidationResult> m_validations;
    qsizetype m_sinceAdjustment = 0;
    QList<int> m_lowReadings, m_highReadings;
};

// The line of an old history, by the event it names.
void readImportedLine(RunSummary &summary, Outcome &outcome, const RecordEvent &event, qint64 seq)
{
    const QCborMap columns = event.payload.value(QLatin1String(Key::columns)).toMap();
    const auto column
        = [&](const char *title) { return columns.value(QLatin1String(title)).toString(); };
    const QString name = column("Event");
    if (!summary.imported) {
        summary.imported = true;
        summary.endedNormally = false;
        summary.started = event.localTime();
        summary.sensorModel = QString::fromLatin1(Reply::sensorModel);
        summary.sensorSerial = column("Sensor serial");
        summary.sensorFirmware = column("Sensor firmware");
        summary.fixture.model = column("Fixture model");
        summary.fixture.serial = column("Fixture serial");
        summary.fixture.firmware = column("Fixture version");
    }
    if (name.startsWith(QLatin1String("Validation"))) {
        ValidationResult validation = importedValidation(event, columns);
        validation.seq = seq;
        outcome.validated(validation);
    } else if (name == QLatin1String("Constants sent")) {
        outcome.adjusted(Adjustment { column("Old MC"), column("Old BC"), column("New MC"),
            column("New BC"), std::nullopt, false, false, false, {}, {} });
        summary.asFoundSlope = column("Old MC");
        summary.asFoundOffset = column("Old BC");
    } else if (name.startsWith(QLatin1String("Save ")) && summary.adjustment) {
        outcome.saved(name == QLatin1String("Save confirmed"));
    } else if (name == QLatin1String("Report written")) {
        summary.reportPath = column("Report file");
    }
}

RunResult resultOf(const QString &verdict)
{
    if (verdict == QLatin1String(Verdict::passed))
        return RunResult::Passed;
    if (verdict == QLatin1String(Verdict::failed))
        return RunResult::Failed;
    return RunResult::NotValidated;
}

QList<RecordsDatabase::StoredEvent> eventsOf(QSqlDatabase db, const QUuid &run, QString *error)
{
    return RecordsDatabase::eventsOfRun(db, run, error);
}
}

DueState dueState(const SensorSummary &sensor, const QDate &today, const RegisterSettings &settings)
{
    DueState state;
    if (sensor.lastPassed) {
        state.due = sensor.lastPassed->date().addMonths(settings.sensorIntervalMonths);
        state.daysLeft = today.daysTo(*state.due);
    }
    state.lastRunFailed = sensor.lastResult == RunResult::Failed;
    if (!state.due || state.daysLeft < 0)
        state.status = SensorStatus::Overdue;
    else if (state.daysLeft <= settings.dueSoonDays)
        state.status = SensorStatus::DueSoon;
    else
        state.status = SensorStatus::Ok;
    return state;
}

QList<SensorStatus> DueState::statuses() const
{
    QList<SensorStatus> holding;
    if (!(lastRunFailed && status == SensorStatus::Ok))
        holding.append(status);
    if (lastRunFailed)
        holding.append(SensorStatus::LastRunFailed);
    return holding;
}

QString statusText(const DueState &state)
{
    QString dueText;
    switch (state.status) {
    case SensorStatus::Ok:
        if (state.lastRunFailed)
            return QCoreApplication::translate("Register", "Last run failed");
        return QCoreApplication::translate("Register", "OK");
    case SensorStatus::DueSoon:
        dueText = state.daysLeft == 1
            ? QCoreApplication::translate("Register", "Due in 1 day")
            : QCoreApplication::translate("Register", "Due in %1 days").arg(state.daysLeft);
        break;
    case SensorStatus::Overdue:
    case SensorStatus::LastRunFailed:
        dueText = QCoreApplication::translate("Register", "Overdue");
        break;
    }
    return state.lastRunFailed
        ? QCoreApplication::translate("Register", "%1 · last run failed").arg(dueText)
        : dueText;
}

QString deviceDateText(const std::optional<QDate> &read, const QString &sent)
{
    if (read)
        return read->toString(Qt::ISODate);
    if (sent.trimmed().isEmpty())
        return QCoreApplication::translate("Register", "unknown");
    return QCoreApplication::translate("Register", "\"%1\" (not a date)").arg(sent.trimmed());
}

QString deviceDateTip(const QString &sent)
{
    return sent.trimmed().isEmpty()
        ? QCoreApplication::translate("Register", "The device sent no date.")
        : QCoreApplication::translate("Register", "As the device sent it: %1").arg(sent.trimmed());
}

QString resultText(RunResult result)
{
    switch (result) {
    case RunResult::Passed:
        return QCoreApplication::translate("Register", "Passed");
    case RunResult::Failed:
        return QCoreApplication::translate("Register", "Failed");
    case RunResult::NotValidated:
        return QCoreApplication::translate("Register", "Not validated");
    }
    return {};
}

QString dateText(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

bool outOfInterval(const QDate &calibrated, const QDate &runDay, int intervalMonths)
{
    return calibrated.addMonths(intervalMonths) < runDay;
}

RunSummary summarizeRun(const QList<RecordsDatabase::StoredEvent> &events, const LabRecords &lab)
{
    RunSummary summary;
    Outcome outcome(summary);
    if (!events.isEmpty())
        summary.firstEventSeq = events.first().seq;
    for (const RecordsDatabase::StoredEvent &stored : events) {
        const RecordEvent &event = stored.event;
        summary.run = event.run;
        summary.lastEventSeq = stored.seq;
        summary.lastEventHash = stored.hash;
        if (event.kind == identified) {
            readIdentification(summary, event);
        } else if (event.kind == QLatin1String(EventKind::validation)) {
            ValidationResult validation = validationOf(event);
            validation.seq = stored.seq;
            outcome.validated(validation);
        } else if (event.kind == QLatin1String(EventKind::calibration)) {
            outcome.calibrated(event.payload);
        } else if (event.kind == QLatin1String(EventKind::store)) {
            readAdjustment(summary, event);
            outcome.adjusted(*summary.adjustment);
        } else if (event.kind == QLatin1String(EventKind::saveResult) && summary.adjustment) {
            outcome.saved(event.verdict == QLatin1String(Verdict::confirmed));
        } else if (event.kind == QLatin1String(EventKind::report)) {
            readReport(summary, event);
        } else if (event.kind == QLatin1String(EventKind::ended)) {
            summary.endedNormally = true;
        } else if (event.kind == imported) {
            readImportedLine(summary, outcome, event, stored.seq);
        }
    }
    outcome.close();
    // Judged by the interval the lab had set when the run was made.
    if (summary.fixture.calibrationDate)
        summary.fixture.outOfInterval = outOfInterval(*summary.fixture.calibrationDate,
            summary.started.date(), lab.settingsAt(summary.firstEventSeq).fixtureIntervalMonths);
    return summary;
}

bool ValidationResult::complete() const
{
    return std::all_of(steps.cbegin(), steps.cend(),
        [](const std::optional<StepResult> &step) { return step.has_value(); });
}

QString certificateRefusal(const RunSummary &run)
{
    const QString begun = dateText(run.started);
    if (run.imported)
        return QCoreApplication::translate("Certificate",
            "The run of %1 was imported from an earlier calibration history: its records do not "
            "show how it ended, so no certificate is made from them.")
            .arg(begun);
    if (!run.endedNormally)
        return QCoreApplication::translate("Certificate",
            "The run of %1 did not end normally (the program stopped before the run ended): its "
            "records cannot show the sensor as it was left.")
            .arg(begun);
    if (run.adjustment && !run.asLeft)
        return QCoreApplication::translate("Certificate",
            "In the run of %1 new constants were sent to the sensor and never validated after "
            "that: there are no results as left.")
            .arg(begun);
    if (!run.asLeft)
        return QCoreApplication::translate(
            "Certificate", "The run of %1 has no complete validation.")
            .arg(begun);
    if (!run.asLeft->passed)
        return QCoreApplication::translate("Certificate",
            "The run of %1 did not end with a passing validation; it has no certificate.")
            .arg(begun);
    return {};
}

RegisterSettings registerSettingsOf(const LabSettings &lab)
{
    RegisterSettings settings;
    settings.sensorIntervalMonths = lab.sensorIntervalMonths;
    settings.fixtureIntervalMonths = lab.fixtureIntervalMonths;
    return settings;
}

Register::Register(QSqlDatabase db)
    : m_db(std::move(db))
{
    QString error;
    m_lab.read(m_db, &error);
    m_settings = registerSettingsOf(m_lab.settingsAt());
}

QList<SensorSummary> Register::sensors(QString *error) const
{
    // Each sensor's runs, passes and calibrations, counted in the index alone.
    std::optional<QSqlQuery> totals = query(m_db, RegisterQueries::sensorTotals(), error);
    if (!totals)
        return {};
    QList<SensorSummary> sensors;
    QHash<QByteArray, qsizetype> bySerial;
    while (totals->next()) {
        SensorSummary sensor;
        sensor.serial = totals->value(0).toByteArray();
        sensor.lastRun = localTimeOf(totals->value(1).toLongLong());
        if (!totals->value(2).isNull())
            sensor.lastPassed = localTimeOf(totals->value(2).toLongLong());
        if (!totals->value(3).isNull())
            sensor.lastCalibration = localTimeOf(totals->value(3).toLongLong());
        sensor.runs = totals->value(4).toInt();
        sensor.imported = totals->value(5).toBool();
        bySerial.insert(sensor.serial, sensors.size());
        sensors.append(sensor);
    }
    std::optional<QSqlQuery> latest = query(m_db, RegisterQueries::latestRuns(), error);
    std::optional<QSqlQuery> endings = query(m_db, RegisterQueries::runEndings(), error);
    if (!latest || !endings)
        return {};
    QHash<QByteArray, QUuid> latestRun;
    while (latest->next())
        latestRun.insert(
            latest->value(0).toByteArray(), QUuid::fromRfc4122(latest->value(2).toByteArray()));
    while (endings->next()) {
        const QByteArray serial = endings->value(0).toByteArray();
        // A later run that has not ended (still running, or the program was killed) has no
        // result yet.
        if (latestRun.value(serial) == QUuid::fromRfc4122(endings->value(2).toByteArray()))
            sensors[bySerial.value(serial)].lastResult = resultOf(endings->value(3).toString());
    }
    // Model and firmware as each sensor's latest run reported them.
    for (SensorSummary &sensor : sensors) {
        std::optional<QSqlQuery> named
            = query(m_db, RegisterQueries::identificationOf(latestRun.value(sensor.serial)), error);
        if (!named || !named->next())
            continue;
        RecordEvent event;
        event.kind = named->value(0).toString();
        event.payload = decodedPayload(named->value(1).toByteArray());
        const RunSummary summary = summarizeRun({ { 0, event, {}, {} } }, m_lab);
        sensor.model = summary.sensorModel;
        sensor.firmware = summary.sensorFirmware;
    }
    return sensors;
}

QList<RunSummary> Register::runsOf(const QByteArray &sensorSerial, QString *error) const
{
    std::optional<QSqlQuery> runs = query(m_db, RegisterQueries::runsOf(sensorSerial), error);
    QList<RunSummary> summaries;
    if (!runs)
        return summaries;
    while (runs->next())
        summaries.append(withCertificates(summarizeRun(
            eventsOf(m_db, QUuid::fromRfc4122(runs->value(0).toByteArray()), error), m_lab)));
    return summaries;
}

QList<RecordsDatabase::StoredEvent> Register::events(const QUuid &run, QString *error) const
{
    return eventsOf(m_db, run, error);
}

std::optional<RunSummary> Register::run(const QUuid &runId, QString *error) const
{
    const QList<RecordsDatabase::StoredEvent> events = eventsOf(m_db, runId, error);
    if (events.isEmpty())
        return std::nullopt;
    return withCertificates(summarizeRun(events, m_lab));
}

RunSummary Register::withCertificates(RunSummary run) const
{
    for (const LabRecords::Issued &issued : m_lab.certificatesOf(run.run)) {
        const qint64 revision = issued.content.value(QLatin1String("revision")).toInteger();
        const QString number = issued.content.value(QLatin1String("number")).toString();
        run.certificates.append(
            revision == 0 ? number : QStringLiteral("%1-R%2").arg(number).arg(revision));
    }
    return run;
}

QList<RecalledRun> Register::recall(const QByteArray &fixtureSerial, const QDate &from,
    const std::optional<QDate> &until, QString *error) const
{
    QList<RecalledRun> recalled = recalledRuns(fixtureSerial, from, until, error);
    sortNewestFirst(recalled);
    return recalled;
}

// The runs made with the fixture in the period, summed up, in the order they are read.
QList<RecalledRun> Register::recalledRuns(const QByteArray &fixtureSerial, const QDate &from,
    const std::optional<QDate> &until, QString *error) const
{
    QList<RecalledRun> recalled;
    forEachFixtureRun(fixtureSerial, from, until, error,
        [&](const FixtureRun &made, const QList<RecordsDatabase::StoredEvent> &events) {
            const RunSummary summary = withCertificates(summarizeRun(events, m_lab));
            // The customer its certificate was issued to; without one, whom its draft would name.
            const QList<LabRecords::Issued> issued = m_lab.certificatesOf(made.run);
            const QString customer = issued.isEmpty()
                ? m_lab.customerOf(made.sensorSerial).name
                : thawed(issued.last().content, summary).customer.name;
            recalled.append({ made, summary, customer });
        });
    return recalled;
}

QList<FixtureSummary> Register::fixtures(QString *error) const
{
    std::optional<QSqlQuery> totals = query(m_db, RegisterQueries::fixtureTotals(), error);
    QList<FixtureSummary> fixtures;
    if (!totals)
        return fixtures;
    while (totals->next()) {
        FixtureSummary fixture;
        fixture.serial = totals->value(0).toByteArray();
        fixture.lastRun = localTimeOf(totals->value(1).toLongLong());
        fixture.runs = totals->value(3).toInt();
        if (const std::optional<RunSummary> latest
            = run(QUuid::fromRfc4122(totals->value(2).toByteArray()), error)) {
            fixture.model = latest->fixture.model;
            fixture.calibrationDateText = latest->fixture.calibrationDateText;
            fixture.calibrationDate = latest->fixture.calibrationDate;
        }
        fixtures.append(fixture);
    }
    return fixtures;
}

QList<RecalledRun> Register::recallOfReference(const QString &certificateNumber, const QDate &from,
    const std::optional<QDate> &until, QString *error) const
{
    // The fixtures whose calibration that certificate ever was; of their runs, those made while
    // it was.
    QList<QByteArray> fixtures;
    for (const SettingChange &change : m_lab.changes()) {
        if (change.kind == QLatin1String(EventKind::fixtureSetting)
            && change.name == QLatin1String("certificate-number")
            && change.value == certificateNumber && !fixtures.contains(change.subject))
            fixtures.append(change.subject);
    }
    QList<RecalledRun> recalled;
    for (const QByteArray &fixture : fixtures) {
        for (const RecalledRun &run : recalledRuns(fixture, from, until, error)) {
            if (run.made.referenceCertificate == certificateNumber)
                recalled.append(run);
        }
    }
    sortNewestFirst(recalled);
    return recalled;
}

QList<FixtureRun> Register::runsWithFixture(const QByteArray &fixtureSerial, const QDate &from,
    const std::optional<QDate> &until, QString *error) const
{
    QList<FixtureRun> found;
    forEachFixtureRun(fixtureSerial, from, until, error,
        [&found](const FixtureRun &made, const QList<RecordsDatabase::StoredEvent> &) {
            found.append(made);
        });
    sortNewestFirst(found);
    return found;
}

// Reads every event of those runs in one question, however many runs a recall spans, and
// hands over one run at a time, so that ten years of a fixture's runs are never all in memory.
void Register::forEachFixtureRun(const QByteArray &fixtureSerial, const QDate &from,
    const std::optional<QDate> &until, QString *error,
    const std::function<void(const FixtureRun &, const QList<RecordsDatabase::StoredEvent> &)>
        &take) const
{
    std::optional<QSqlQuery> read
        = query(m_db, RegisterQueries::eventsOfRunsWithFixture(fixtureSerial, from, until), error);
    if (!read)
        return;
    const DayPeriod period = DayPeriod::of(from, until);
    QList<RecordsDatabase::StoredEvent> events;
    const auto handOver = [&] {
        const std::optional<FixtureRun> made = fixtureRunOf(events, fixtureSerial);
        // Only a run that began in the period: one identified again in it began before.
        if (made && period.holds(made->at))
            take(*made, events);
        events.clear();
    };
    while (read->next()) {
        RecordsDatabase::StoredEvent stored = RecordsDatabase::storedEventOf(*read);
        if (!events.isEmpty() && stored.event.run != events.first().event.run)
            handOver();
        events.append(std::move(stored));
    }
    if (!events.isEmpty())
        handOver();
}

// The run as made with the fixture: when it began, its sensor, and the fixture's calibration
// date its first identification names; none when the fixture did not identify it.
std::optional<FixtureRun> Register::fixtureRunOf(
    const QList<RecordsDatabase::StoredEvent> &events, const QByteArray &fixtureSerial) const
{
    std::optional<FixtureRun> made;
    for (const RecordsDatabase::StoredEvent &stored : events) {
        const RecordEvent &event = stored.event;
        if (event.fixtureSerial != fixtureSerial || event.sensorSerial.isEmpty()
            || (event.kind != identified && event.kind != imported))
            continue;
        if (made) {
            made->at = std::min(made->at, localTimeOf(event.utcMs));
            continue;
        }
        made = FixtureRun { event.run, localTimeOf(event.utcMs), event.sensorSerial, {}, {}, false,
            {} };
        const QCborMap fixture = event.payload.value(QLatin1String(Key::fixture)).toMap();
        made->fixtureCalibrationDateText = kept(fixture, Key::calDate);
        made->fixtureCalibrationDate = keptDate(fixture, Key::calDate);
        if (const std::optional<QDate> &calibrated = made->fixtureCalibrationDate)
            made->outOfInterval = outOfInterval(
                *calibrated, made->at.date(), m_lab.settingsAt(stored.seq).fixtureIntervalMonths);
        made->referenceCertificate = m_lab.fixtureAt(fixtureSerial, stored.seq).certificateNumber;
    }
    return made;
}
