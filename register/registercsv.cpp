#include "registercsv.h"

#include "historycsv.h"
#include "registermodels.h"

namespace {
QString dateOf(const std::optional<QDateTime> &at)
{
    return at ? at->date().toString(Qt::ISODate) : QString();
}

QString verdictOf(const std::optional<ValidationResult> &validation)
{
    return validation ? QString::fromLatin1(validation->passed ? "PASS" : "FAIL") : QString();
}

// "yes" or "no" where the run sent constants, empty where it sent none.
QString adjustmentConfirmedText(const std::optional<Adjustment> &adjustment)
{
    if (!adjustment)
        return QString();
    return adjustment->confirmed ? QStringLiteral("yes") : QStringLiteral("no");
}

// The five readings of a validation, or five empty cells.
QStringList readingsOf(const std::optional<ValidationResult> &validation)
{
    QStringList readings;
    for (size_t step = 0; step < 5; ++step)
        readings.append(validation && validation->steps[step]
                ? validation->steps[step]->text.trimmed()
                : QString());
    return readings;
}
}

QByteArray sensorsCsv(
    const QList<SensorSummary> &sensors, const QDate &today, const RegisterSettings &settings)
{
    QByteArray csv = HistoryCsv::byteOrderMark
        + HistoryCsv::line({ "Serial", "Model", "Firmware", "Runs", "Last run", "Result",
            "Last adjustment", "Last passed calibration", "Next due", "Status", "Imported" });
    for (const SensorSummary &sensor : sensors) {
        const DueState due = dueState(sensor, today, settings);
        csv += HistoryCsv::line({ QString::fromUtf8(sensor.serial), sensor.model, sensor.firmware,
            QString::number(sensor.runs), dateText(sensor.lastRun), resultText(sensor.lastResult),
            dateOf(sensor.lastCalibration), dateOf(sensor.lastPassed),
            due.due ? due.due->toString(Qt::ISODate) : QString(), statusText(due),
            sensor.imported ? QStringLiteral("yes") : QString() });
    }
    return csv;
}

namespace {
// Each step's expanded uncertainty, coverage factor, ratio and verdict under the lab's rule, or
// empty cells.
QStringList uncertaintiesOf(
    const std::optional<ValidationResult> &validation, const UncertaintyInputs &inputs)
{
    QStringList cells;
    for (int step = 1; step <= 5; ++step) {
        const std::optional<StepResult> &result
            = validation ? validation->steps[size_t(step - 1)] : std::nullopt;
        if (!result) {
            cells += { QString(), QString(), QString(), QString() };
            continue;
        }
        const StepUncertainty uncertainty = stepUncertainty(step, *result, inputs);
        if (uncertainty.budget)
            cells += { uncertaintyText(uncertainty.budget->expanded),
                coverageFactorText(uncertainty.budget->coverageFactor),
                QString::number(*uncertainty.ratio, 'f', 1) };
        else
            cells += { QString(), QString(), QString() };
        cells.append(verdictText(uncertainty.decision.verdict));
    }
    return cells;
}

QStringList uncertaintyColumns(const char *validation)
{
    QStringList columns;
    for (int step = 1; step <= 5; ++step) {
        for (const char *what : { "U", "k", "ratio", "verdict" })
            columns.append(QStringLiteral("%1 step %2 %3")
                               .arg(QLatin1String(validation))
                               .arg(step)
                               .arg(QLatin1String(what)));
    }
    return columns;
}
}

TextTable recallTable(const QList<RecalledRun> &recalled)
{
    TextTable table { { "Date", "Sensor", "Model", "Fixture", "Fixture calibration date",
                          "Fixture calibration date as sent", "Fixture out of interval",
                          "Reference certificate", "As found", "Adjusted", "Adjustment confirmed",
                          "As left", "Certificate", "Customer", "Run" },
        {} };
    for (auto entry = recalled.crbegin(); entry != recalled.crend(); ++entry) {
        const RunSummary &run = entry->run;
        const FixtureRun &made = entry->made;
        table.rows.append({ dateText(made.at), QString::fromUtf8(made.sensorSerial),
            run.sensorModel, run.fixture.serial,
            deviceDateText(made.fixtureCalibrationDate, made.fixtureCalibrationDateText),
            made.fixtureCalibrationDateText, made.outOfInterval ? QStringLiteral("yes") : QString(),
            made.referenceCertificate, verdictOf(run.asFound),
            run.adjustment ? QStringLiteral("yes") : QStringLiteral("no"),
            adjustmentConfirmedText(run.adjustment), verdictOf(run.asLeft),
            run.certificates.isEmpty() ? QString() : run.certificates.last(), entry->customer,
            run.run.toString(QUuid::WithoutBraces) });
    }
    return table;
}

QByteArray recallCsv(const QList<RecalledRun> &recalled)
{
    return csvOf(recallTable(recalled));
}

QByteArray sensorHistoryCsv(const QList<RunSummary> &runs, const LabRecords &lab)
{
    QStringList header { "Date", "Technician", "Fixture serial", "Fixture calibration date",
        "Fixture out of interval", "As found" };
    for (int step = 1; step <= 5; ++step)
        header.append(QStringLiteral("As found step %1").arg(step));
    header += { "Old MC", "Old BC", "New MC", "New BC", "MC change %", "Adjustment confirmed",
        "As left" };
    for (int step = 1; step <= 5; ++step)
        header.append(QStringLiteral("As left step %1").arg(step));
    header += { "Result", "Report file", "Imported", "Run", "Decision rule" };
    header += uncertaintyColumns("As found") + uncertaintyColumns("As left");
    QByteArray csv = HistoryCsv::byteOrderMark + HistoryCsv::line(header);
    for (const RunSummary &run : runs) {
        const Adjustment adjustment = run.adjustment.value_or(Adjustment());
        QStringList line { dateText(run.started), run.technician, run.fixture.serial,
            run.fixture.calibrationDateText,
            run.fixture.outOfInterval ? QStringLiteral("yes") : QString(), verdictOf(run.asFound) };
        line += readingsOf(run.asFound);
        line += { adjustment.oldSlope, adjustment.oldOffset, adjustment.newSlope,
            adjustment.newOffset,
            adjustment.slopeChangePercent ? QString::number(*adjustment.slopeChangePercent, 'f', 2)
                                          : QString(),
            adjustmentConfirmedText(run.adjustment), verdictOf(run.asLeft) };
        line += readingsOf(run.asLeft);
        const UncertaintyInputs inputs = UncertaintyInputs::forRun(lab, run);
        line += { resultText(run.result), run.reportPath,
            run.imported ? QStringLiteral("yes") : QString(),
            run.run.toString(QUuid::WithoutBraces), decisionRuleName(inputs.rule) };
        line += uncertaintiesOf(run.asFound, inputs) + uncertaintiesOf(run.asLeft, inputs);
        csv += HistoryCsv::line(line);
    }
    return csv;
}
