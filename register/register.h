#ifndef REGISTER_H
#define REGISTER_H

#include "labsettings.h"
#include "recordsdatabase.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>
#include <array>
#include <functional>
#include <optional>

// What a lab decides for its register: how often a sensor is due, how long a fixture's own
// calibration holds, and how early a coming due date is shown.
struct RegisterSettings
{
    int sensorIntervalMonths = 12;
    int fixtureIntervalMonths = 12;
    int dueSoonDays = 30;
};
// The register's view of the lab's settings as the records hold them.
RegisterSettings registerSettingsOf(const LabSettings &lab);

enum class RunResult { Passed, Failed, NotValidated };

// One sensor as the register lists it.
struct SensorSummary
{
    QByteArray serial;
    QString model;
    QString firmware; // as its latest run reported it
    int runs = 0;
    QDateTime lastRun;
    RunResult lastResult = RunResult::NotValidated;
    std::optional<QDateTime> lastCalibration; // the last adjustment: new constants confirmed stored
    std::optional<QDateTime> lastPassed; // the latest run that ended with a passing validation
    bool imported = false; // known only from an imported history
};

// What the register says of a sensor, from the least to the most urgent.
enum class SensorStatus { Ok, DueSoon, Overdue, LastRunFailed };

struct DueState
{
    SensorStatus status = SensorStatus::Overdue; // by the due date alone: OK, due soon, overdue
    bool lastRunFailed = false;
    std::optional<QDate> due;
    qint64 daysLeft = 0;

    // Every status that holds, as the text names them: the due date's (unless the sensor is
    // only in date and its last run failed), then a failed last run.
    QList<SensorStatus> statuses() const;
    SensorStatus mostUrgent() const { return lastRunFailed ? SensorStatus::LastRunFailed : status; }
};

// Due is the last run that ended with a passing validation plus the interval; a sensor never
// passed is overdue. A failed last run stands beside whatever its due date says.
DueState dueState(
    const SensorSummary &sensor, const QDate &today, const RegisterSettings &settings);
// "OK", "Due in N days", "Overdue", "Last run failed", or two of them together: "Overdue · last
// run failed".
QString statusText(const DueState &state);

// One validation as the register shows it: the five readings against their bounds.
struct StepResult
{
    QString text;
    double value = 0;
    double lower = 0;
    double upper = 0;
    bool passed = false;
};
struct ValidationResult
{
    QDateTime at;
    bool passed = false;
    std::array<std::optional<StepResult>, 5> steps;
    qint64 seq = 0; // its event's place in the records

    // Every step was read: a validation the fixture's loss cut short is not.
    bool complete() const;
};

// The constants a run sent to the sensor to replace its own, and the ones they replaced.
struct Adjustment
{
    QString oldSlope, oldOffset, newSlope, newOffset;
    std::optional<double> slopeChangePercent;
    bool confirmed = false; // the sensor reported them saved
    bool answered = false; // the sensor answered the save, either way
    bool warned = false;
    // The raw readings counted at each reference for the constants, where the records hold them.
    QList<int> lowReadings, highReadings;
};

struct ReferenceStandard
{
    QString model, serial, firmware, calibrationDateText;
    std::optional<QDate> calibrationDate;
    bool outOfInterval = false; // its calibration older than the interval at the time of the run
};

// One run of one sensor, from its events.
struct RunSummary
{
    QUuid run;
    QDateTime started;
    QString technician; // the account's full name, or its login
    QString account;
    QString computer;
    QString program;
    QString sensorModel, sensorSerial, sensorFirmware, sensorCalibrationDate;
    QString asFoundSlope, asFoundOffset;
    ReferenceStandard fixture;
    // The first complete validation of the run, before any constants were sent.
    std::optional<ValidationResult> asFound;
    // The last constants sent to the sensor, confirmed saved or not.
    std::optional<Adjustment> adjustment;
    // The last complete validation after the last adjustment; without an adjustment, the last.
    std::optional<ValidationResult> asLeft;
    // Every other complete validation of the run, in order.
    QList<ValidationResult> otherValidations;
    RunResult result = RunResult::NotValidated; // as left
    bool endedNormally = false; // its end is recorded: it was not cut off by a killed program
    QString reportPath;
    QStringList editedFields; // on its report
    QStringList certificates; // the numbers issued for it, the latest revision last
    qint64 firstEventSeq = 0;
    qint64 lastEventSeq = 0;
    QByteArray lastEventHash;
    bool imported = false;

    bool endedPassing() const { return result == RunResult::Passed; }
    // As found and as left are one and the same validation.
    bool foundAsLeft() const { return asFound && asLeft && asFound->seq == asLeft->seq; }
};

// Why a run can have no certificate, in words; empty when it can. The one rule the window, the
// command and the exports all follow.
QString certificateRefusal(const RunSummary &run);

struct FixtureSummary
{
    QByteArray serial;
    QString model;
    QString calibrationDateText; // as its latest run reported it
    std::optional<QDate> calibrationDate;
    int runs = 0;
    QDateTime lastRun;
};

// A run made with a fixture, for reverse traceability.
struct FixtureRun
{
    QUuid run;
    QDateTime at;
    QByteArray sensorSerial;
    QString fixtureCalibrationDateText;
    std::optional<QDate> fixtureCalibrationDate;
    bool outOfInterval = false;
    // The certificate number of the fixture's own calibration in force at the run, as the lab
    // recorded it; empty where none was.
    QString referenceCertificate;
};

// A run a recall names: made with the fixture, with what it concluded and for whom.
struct RecalledRun
{
    FixtureRun made;
    RunSummary run;
    QString customer; // as its latest certificate names it; without one, as its draft would
};

// A statement with its bound values.
struct BoundQuery
{
    QString statement;
    QVariantList values;
};

// From the first day until the last, both whole days of local time; no last day: no end.
struct DayPeriod
{
    QDateTime first;
    std::optional<QDateTime> end; // the moment the last day is over

    static DayPeriod of(const QDate &from, const std::optional<QDate> &until)
    {
        return { QDateTime(from, QTime(0, 0)),
            until ? std::optional(QDateTime(until->addDays(1), QTime(0, 0))) : std::nullopt };
    }
    bool holds(const QDateTime &at) const { return at >= first && (!end || at < *end); }
};

// The statements the register asks, by the view that asks them, so a benchmark can set what
// SQLite alone needs beside what a view needs.
namespace RegisterQueries {
BoundQuery sensorTotals(); // each sensor's runs, passes and calibrations
BoundQuery latestRuns(); // each sensor's latest run
BoundQuery runEndings(); // how each sensor's latest finished run ended
BoundQuery identificationOf(const QUuid &run); // the event that names a run's devices
BoundQuery runsOf(const QByteArray &sensorSerial);
BoundQuery eventsOf(const QUuid &run);
BoundQuery fixtureTotals();
// Every event of the runs identified with the fixture from the first day until the last, both
// whole days of local time (no last day: until now), run by run, each run's in their order: one
// question however many runs a recall spans. A run identified again later in the period is among
// them too.
BoundQuery eventsOfRunsWithFixture(
    const QByteArray &fixtureSerial, const QDate &from, const std::optional<QDate> &until);
}

// Reads the register from the records through the connection it is given, which belongs to
// the calling thread. Every question is a query with bound values.
class Register
{
public:
    // Reads the lab's settings from the same records: a run is judged by those in force when it
    // was made, due dates by today's.
    explicit Register(QSqlDatabase db);

    QList<SensorSummary> sensors(QString *error) const;
    // The sensor's runs, newest first.
    QList<RunSummary> runsOf(const QByteArray &sensorSerial, QString *error) const;
    std::optional<RunSummary> run(const QUuid &run, QString *error) const;
    // The run's events as stored, in their order: its audit trail.
    QList<RecordsDatabase::StoredEvent> events(const QUuid &run, QString *error) const;
    QList<FixtureSummary> fixtures(QString *error) const;
    // The runs made with the fixture from the first day until the last, newest first.
    QList<FixtureRun> runsWithFixture(const QByteArray &fixtureSerial, const QDate &from,
        const std::optional<QDate> &until, QString *error) const;
    // The same with each run's results, adjustment, certificates and customer: the list a lab
    // sends out when the fixture's reference turns out to have been wrong.
    QList<RecalledRun> recall(const QByteArray &fixtureSerial, const QDate &from,
        const std::optional<QDate> &until, QString *error) const;
    // The same for a reference standard, by the number of its calibration certificate: every
    // run made with a fixture while that certificate was its recorded calibration.
    QList<RecalledRun> recallOfReference(const QString &certificateNumber, const QDate &from,
        const std::optional<QDate> &until, QString *error) const;

    const RegisterSettings &settings() const { return m_settings; }
    const LabRecords &lab() const { return m_lab; }

private:
    void forEachFixtureRun(const QByteArray &fixtureSerial, const QDate &from,
        const std::optional<QDate> &until, QString *error,
        const std::function<void(const FixtureRun &, const QList<RecordsDatabase::StoredEvent> &)>
            &take) const;
    QList<RecalledRun> recalledRuns(const QByteArray &fixtureSerial, const QDate &from,
        const std::optional<QDate> &until, QString *error) const;
    std::optional<FixtureRun> fixtureRunOf(
        const QList<RecordsDatabase::StoredEvent> &events, const QByteArray &fixtureSerial) const;
    RunSummary withCertificates(RunSummary run) const;

    QSqlDatabase m_db;
    LabRecords m_lab;
    RegisterSettings m_settings;
};

// Builds a run's summary from its events in order; imported lines are read by their columns.
RunSummary summarizeRun(const QList<RecordsDatabase::StoredEvent> &events, const LabRecords &lab);

// A date a device sent, as the register shows it: yyyy-MM-dd where it could be read (a fixture
// sends MM/DD/YY, which a European reader would take the other way round), the text with a
// word where it could not, "unknown" where none was sent.
QString deviceDateText(const std::optional<QDate> &read, const QString &sent);
// The device's own text of a date, for a tooltip beside what deviceDateText shows.
QString deviceDateTip(const QString &sent);

// "Passed", "Failed", "Not validated".
QString resultText(RunResult result);
// A moment as the register shows it: yyyy-MM-dd HH:mm.
QString dateText(const QDateTime &at);

// Whether a reference calibrated on the day was older than the interval on the day of the run.
bool outOfInterval(const QDate &calibrated, const QDate &runDay, int intervalMonths);

#endif
