#include "runevents.h"

#include "sha256.h"
#include "stepbounds.h"

#include <QCborArray>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QSysInfo>
#include <cmath>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {
// The devices write dates as MM/DD/YY, of this century.
std::optional<QDate> deviceDate(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    if (parts.size() != 3)
        return std::nullopt;
    bool monthOk = false, dayOk = false, yearOk = false;
    const int month = parts[0].toInt(&monthOk);
    const int day = parts[1].toInt(&dayOk);
    const int year = parts[2].toInt(&yearOk);
    const QDate date(year < 100 ? 2000 + year : year, month, day);
    if (!monthOk || !dayOk || !yearOk || !date.isValid())
        return std::nullopt;
    return date;
}

QCborMap identityOf(const DeviceIdentity &device)
{
    return { { QLatin1String(Key::model), reportedValue(device.model) },
        { QLatin1String(Key::serial), reportedValue(device.serial) },
        { QLatin1String(Key::firmware), reportedValue(device.firmware) },
        { QLatin1String(Key::calDate), reportedValue(device.calDate) } };
}

// The register finds runs by the serials as shown, without the reply's blanks.
QByteArray serialKey(const Reported &serial)
{
    return serial.text.trimmed().toLatin1();
}

RecordEvent eventOf(const char *kind, const RunRecord &run)
{
    return newEvent(kind, run.id);
}

QCborValue optionalNumber(const std::optional<qint64> &number)
{
    return number ? QCborValue(*number) : QCborValue(QCborValue::Null);
}

QCborMap stepOf(int step, const StepReading &reading)
{
    const StepBounds bounds = stepBounds(step);
    return { { QLatin1String(Key::line), reading.line }, { QLatin1String(Key::text), reading.text },
        { QLatin1String(Key::number), keptNumber(readingValue(reading.text)) },
        { QLatin1String(Key::lower), keptNumber(bounds.lower) },
        { QLatin1String(Key::upper), keptNumber(bounds.upper) },
        { QLatin1String(Key::passed), reading.passed } };
}

// Every reading of one set in the order taken, unreadable ones and their second tries too.
QCborArray samplesOf(const CalibrationRecord &calibration, ReferenceSet set)
{
    QCborArray samples;
    for (const SampleRecord &sample : calibration.samples) {
        if (sample.set == set)
            samples.append(QCborArray { sample.number, sample.line,
                sample.value ? QCborValue(*sample.value) : QCborValue(QCborValue::Null) });
    }
    return samples;
}

QCborMap constantsChange(const RunRecord &run, bool warned)
{
    QCborMap kept { { QLatin1String(Key::oldSlope), reportedValue(run.slope) },
        { QLatin1String(Key::oldOffset), reportedValue(run.offset) },
        { QLatin1String(Key::newSlope), run.newSlopeText() },
        { QLatin1String(Key::newOffset), run.newOffsetText() },
        { QLatin1String(Key::warned), warned } };
    if (const std::optional<double> change = run.slopeChangePercent())
        kept.insert(QLatin1String(Key::slopeChange), keptNumber(*change));
    return kept;
}

QString accountLogin()
{
#ifdef Q_OS_UNIX
    if (const passwd *account = getpwuid(getuid()))
        return QString::fromLocal8Bit(account->pw_name);
#endif
    return qEnvironmentVariable("USERNAME", qEnvironmentVariable("USER"));
}

// The first field of the account's comment is, by long custom, its owner's full name.
QString accountFullName()
{
#ifdef Q_OS_UNIX
    if (const passwd *account = getpwuid(getuid()))
        return QString::fromLocal8Bit(account->pw_gecos).section(QLatin1Char(','), 0, 0);
#endif
    return {};
}
}

RunContext RunContext::ofThisProgram()
{
    return { QSysInfo::machineHostName(), accountLogin(), accountFullName(),
        QCoreApplication::applicationName() + QLatin1Char(' ')
            + QCoreApplication::applicationVersion() };
}

QCborMap reportedValue(const Reported &value)
{
    QCborMap kept { { QLatin1String(Key::reply), value.reply },
        { QLatin1String(Key::text), value.text } };
    if (const std::optional<double> number = finiteNumberOf(value.text))
        kept.insert(QLatin1String(Key::number), keptNumber(*number));
    if (const std::optional<QDate> date = deviceDate(value.text))
        kept.insert(QLatin1String(Key::date), date->toString(Qt::ISODate));
    return kept;
}

QCborValue keptNumber(double number)
{
    const auto whole = qint64(number);
    return double(whole) == number ? QCborValue(whole) : QCborValue(number);
}

QString keptText(const QCborValue &value)
{
    return value.toMap().value(QLatin1String(Key::text)).toString().trimmed();
}

namespace {
// The events the register looks for name the sensor and the fixture.
RecordEvent registerEventOf(const char *kind, const RunRecord &run)
{
    RecordEvent event = eventOf(kind, run);
    event.sensorSerial = serialKey(run.sensor.serial);
    event.fixtureSerial = serialKey(run.fixture.serial);
    return event;
}
}

RecordEvent identifiedEvent(const RunRecord &run, const RunContext &context)
{
    RecordEvent event = registerEventOf(EventKind::identified, run);
    event.payload = { { QLatin1String(Key::computer), context.computer },
        { QLatin1String(Key::login), context.login },
        { QLatin1String(Key::fullName), context.fullName },
        { QLatin1String(Key::program), context.program },
        { QLatin1String(Key::fixture), identityOf(run.fixture) },
        { QLatin1String(Key::sensor), identityOf(run.sensor) },
        { QLatin1String(Key::slope), reportedValue(run.slope) },
        { QLatin1String(Key::offset), reportedValue(run.offset) } };
    return event;
}

RecordEvent validationEvent(const RunRecord &run)
{
    RecordEvent event = eventOf(EventKind::validation, run);
    const ValidationRecord &validation = *run.validation;
    event.verdict = QLatin1String(validation.passed() ? Verdict::passed : Verdict::failed);
    QCborArray steps;
    for (int step = 1; step <= validationStepCount; ++step) {
        if (const auto &reading = validation.steps[static_cast<size_t>(step - 1)])
            steps.append(stepOf(step, *reading));
    }
    event.payload
        = { { QLatin1String(Key::phase),
                validation.phase == ValidationPhase::AsFound ? Phase::asFound : Phase::asLeft },
              { QLatin1String(Key::started), validation.startedAt.toString(Qt::ISODateWithMs) },
              { QLatin1String(Key::steps), steps } };
    return event;
}

RecordEvent calibrationEvent(const RunRecord &run, const char *verdict)
{
    RecordEvent event = eventOf(EventKind::calibration, run);
    const CalibrationRecord &calibration = *run.calibration;
    event.verdict = QLatin1String(verdict);
    event.payload
        = { { QLatin1String(Key::started), calibration.startedAt.toString(Qt::ISODateWithMs) },
              { QLatin1String(Key::low), samplesOf(calibration, ReferenceSet::Low) },
              { QLatin1String(Key::high), samplesOf(calibration, ReferenceSet::High) },
              { QLatin1String(Key::lowAverage), optionalNumber(calibration.lowAverage) },
              { QLatin1String(Key::highAverage), optionalNumber(calibration.highAverage) },
              { QLatin1String(Key::newSlope), calibration.slopeText },
              { QLatin1String(Key::newOffset), calibration.offsetText } };
    return event;
}

RecordEvent storeEvent(const RunRecord &run, bool warned)
{
    RecordEvent event = eventOf(EventKind::store, run);
    event.payload = constantsChange(run, warned);
    return event;
}

RecordEvent storeDeclinedEvent(const RunRecord &run, bool warned)
{
    RecordEvent event = eventOf(EventKind::storeDeclined, run);
    event.payload = constantsChange(run, warned);
    return event;
}

RecordEvent saveStepEvent(const RunRecord &run, const QByteArray &command)
{
    RecordEvent event = eventOf(EventKind::saveStep, run);
    event.payload = { { QLatin1String(Key::command), command } };
    return event;
}

RecordEvent saveResultEvent(const RunRecord &run, const char *verdict)
{
    RecordEvent event = registerEventOf(EventKind::saveResult, run);
    event.verdict = QLatin1String(verdict);
    return event;
}

RecordEvent reportEvent(const RunRecord &run, const QString &path, bool calibrationReport,
    const QByteArray &reportBytes, const QList<EditedField> &edited)
{
    RecordEvent event = eventOf(EventKind::report, run);
    QCborArray fields;
    for (const EditedField &field : edited) {
        fields.append(QCborMap { { QLatin1String(Key::field), QLatin1String(field.name) },
            { QLatin1String(Key::recorded), field.recorded },
            { QLatin1String(Key::shown), field.shown } });
    }
    event.payload = { { QLatin1String(Key::path), QDir::toNativeSeparators(path) },
        { QLatin1String(Key::variant), calibrationReport ? "calibration" : "validation" },
        { QLatin1String(Key::sha256), sha256Of(reportBytes) },
        { QLatin1String(Key::edited), fields } };
    return event;
}

RecordEvent endedEvent(const RunRecord &run, const QString &reason)
{
    RecordEvent event = registerEventOf(EventKind::ended, run);
    // A run ends with the verdict of its last validation: what its sensor is due by.
    if (run.validation && run.validation->complete())
        event.verdict = QLatin1String(run.validation->passed() ? Verdict::passed : Verdict::failed);
    event.payload = { { QLatin1String(Key::reason), reason },
        { QLatin1String(Key::calibrated), run.newConstantsStored() } };
    return event;
}
