#include "syntheticrecords.h"

#include "protocol.h"
#include "recordsdatabase.h"
#include "runevents.h"
#include "stepbounds.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <cmath>

namespace {
constexpr int yearsOfRecords = 10;
constexpr qint64 msPerDay = 24 * 3600 * 1000LL;
constexpr double referenceSteps[] = { 2.8, 120, 600, 1000, 1700 };

Reported reported(const QByteArray &prefix, const QByteArray &value)
{
    const QByteArray reply = prefix + value + "\r\n";
    return { reply, QString::fromLatin1(" " + value + "\r\n") };
}

// A sensor drifts slowly: its readings move with the years since it was made.
RunRecord runOf(int sensor, int fixture, double drift, QRandomGenerator &random)
{
    RunRecord run;
    run.id = timeOrderedUuid();
    run.fixture = { { {}, "KR-5M-LD-CV-LNK" },
        reported("Serial Number =", QByteArray::number(9000 + fixture)), reported("Version", "1.2"),
        reported("CALIBRATION DATE(MM/DD/YY) =", "01/10/24") };
    run.sensor
        = { { {}, "KR-5M-LD" }, reported("Serial Number =", QByteArray::number(10000 + sensor)),
              reported("Version", "0.9" + QByteArray::number(sensor % 10)),
              reported("CALIBRATION DATE=", "06/14/23") };
    run.slope = reported("MC =", QByteArray::number(0.97 + drift / 100, 'f', 6));
    run.offset = reported("BC =", QByteArray::number(0.4 - drift, 'f', 5));
    run.validation.emplace();
    for (int step = 1; step <= validationStepCount; ++step) {
        const double reading = referenceSteps[step - 1] * (1 + drift / 20)
            + (random.generateDouble() - 0.5) * referenceSteps[step - 1] / 50;
        const QByteArray line
            = QByteArray::number(reading, 'f', reading < 100 ? 1 : 0) + "pS/m, Cond";
        const QString text = readingText(line);
        run.validation->steps[static_cast<size_t>(step - 1)]
            = StepReading { line, text, stepPasses(step, text) };
    }
    return run;
}

void addCalibration(RunRecord &run, QRandomGenerator &random)
{
    CalibrationRecord &calibration = run.calibration.emplace();
    for (const ReferenceSet set : { ReferenceSet::Low, ReferenceSet::High }) {
        for (int sample = 0; sample <= samplesPerSet; ++sample) {
            const int counts = (set == ReferenceSet::Low ? 1000 : 2800) + random.bounded(-3, 4);
            calibration.samples.append(
                { set, sample, QByteArray::number(counts) + ",Counts", counts });
        }
    }
    calibration.lowAverage = sampleAverage(calibration.sumOf(ReferenceSet::Low));
    calibration.highAverage = sampleAverage(calibration.sumOf(ReferenceSet::High));
    calibration.constants
        = computeCalibrationConstants(*calibration.lowAverage, *calibration.highAverage);
    calibration.slopeText = slopeDisplayText(calibration.constants->slope);
    calibration.offsetText = offsetDisplayText(calibration.constants->offset);
}

void stamp(QList<RecordEvent> &events, qint64 atMs)
{
    for (qsizetype i = 0; i < events.size(); ++i) {
        events[i].utcMs = atMs + i * 20000;
        events[i].id = timeOrderedUuid(events[i].utcMs);
        events[i].utcOffsetSeconds = 3600;
    }
}

// The events of one run as the dialog records them.
QList<RecordEvent> eventsOfRun(
    int sensor, int fixture, qint64 atMs, double drift, QRandomGenerator &random)
{
    RunRecord run = runOf(sensor, fixture, drift, random);
    const RunContext context { QStringLiteral("bench-%1").arg(fixture % 4), QStringLiteral("tech"),
        QStringLiteral("A. Technician"), QStringLiteral("Conductivity Validation Utility 1.04") };
    QList<RecordEvent> events { identifiedEvent(run, context), validationEvent(run) };
    const bool calibrated = random.bounded(4) != 0;
    if (calibrated) {
        addCalibration(run, random);
        events.append(calibrationEvent(run, Verdict::computed));
        events.append(storeEvent(run, false));
        for (const char *command : { "mc=", "bc=", "ic=", "sv" })
            events.append(saveStepEvent(run, QByteArray(command) + "1.000000\r"));
        run.store = StoreRecord { {}, true };
        events.append(saveResultEvent(run, Verdict::confirmed));
        run.validation->phase = ValidationPhase::AsLeft;
        for (auto &step : run.validation->steps)
            step->passed = true;
        events.append(validationEvent(run));
    }
    events.append(reportEvent(run, QStringLiteral("C:/Reports/KR-5M-LD_%1.txt").arg(10000 + sensor),
        calibrated, "report", {}));
    events.append(endedEvent(run, QStringLiteral("closed")));
    stamp(events, atMs);
    return events;
}
}

SyntheticFigures buildSyntheticRecords(const QString &path, const SyntheticLab &lab)
{
    SyntheticFigures figures;
    const QString connection = QStringLiteral("synthetic-records");
    QString error;
    if (!RecordsDatabase::openForWriting(path, connection, &error)) {
        qWarning("cannot build the synthetic records: %s", qPrintable(error));
        return figures;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(connection);
        QRandomGenerator random(4711);
        const qint64 startMs = QDateTime(QDate(2016, 1, 4), QTime(8, 0)).toMSecsSinceEpoch();
        const qint64 spanMs = yearsOfRecords * 365 * msPerDay;
        for (int first = 0; first < lab.runs; first += syntheticBatchRuns) {
            QList<RecordEvent> batch;
            for (int run = first; run < std::min(lab.runs, first + syntheticBatchRuns); ++run) {
                const qint64 atMs = startMs + spanMs * run / lab.runs;
                const double years = double(atMs - startMs) / (365.0 * msPerDay);
                batch += eventsOfRun(run % lab.sensors, run % lab.fixtures, atMs,
                    years * 0.004 * ((run % lab.sensors) % 7), random);
            }
            QElapsedTimer clock;
            clock.start();
            if (!RecordsDatabase::appendEvents(db, batch, &error)) {
                qWarning("cannot build the synthetic records: %s", qPrintable(error));
                break;
            }
            figures.batchMs.append(clock.nsecsElapsed() / 1e6);
            figures.events += batch.size();
        }
    }
    RecordsDatabase::close(connection);
    figures.bytes = QFileInfo(path).size();
    return figures;
}
