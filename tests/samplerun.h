#ifndef SAMPLERUN_H
#define SAMPLERUN_H

#include "protocol.h"
#include "runevents.h"

#include <QUuid>

inline Reported reported(const QByteArray &reply, QString (*cut)(const QByteArray &))
{
    return { reply, cut(reply) };
}

// A run as the devices reported it, the sensor answering its serial and firmware questions
// with the given text.
inline RunRecord runReporting(const QByteArray &sensorText)
{
    RunRecord run;
    run.id = QUuid::createUuid();
    run.fixture
        = { { {}, "KR-5M-LD-CV-LNK" }, reported("Serial Number = 1047\r\n", valueAfterEquals),
              reported("Version 1.2\r\n", versionText),
              reported("CALIBRATION DATE(MM/DD/YY) = 01/10/12\r\n", valueAfterEquals) };
    run.sensor = { { {}, "KR-5M-LD" },
        reported("Serial Number = " + sensorText + "\r\n", valueAfterEquals),
        reported("Version " + sensorText + "\r\n", versionText),
        reported("CALIBRATION DATE=06/14/12\r\n", valueAfterEquals) };
    run.slope = reported("MC = 0.969556\r\n", slopeText);
    run.offset = reported("BC = 0.41\r\n", valueAfterEquals);
    run.validation.emplace();
    const QList<QByteArray> readings { "2.9", "118", "603", "1004", "1698" };
    for (int step = 1; step <= validationStepCount; ++step) {
        const QByteArray line = readings.at(step - 1) + "pS/m, Cond";
        run.validation->steps[static_cast<size_t>(step - 1)]
            = StepReading { line, readingText(line), true };
    }
    run.calibration.emplace();
    run.calibration->slopeText = "1.745200";
    run.calibration->offsetText = "-171.72000";
    return run;
}

// The events a run of it leaves before its constants are stored.
inline QList<RecordEvent> sampleRunEvents(const RunRecord &run)
{
    return { identifiedEvent(run, RunContext::ofThisProgram()), validationEvent(run),
        calibrationEvent(run, Verdict::computed), storeEvent(run, false) };
}

// The events of a run whose one validation passed, closed as a technician closes it.
inline QList<RecordEvent> passedRunEvents(const RunRecord &run)
{
    return { identifiedEvent(run, RunContext::ofThisProgram()), validationEvent(run),
        endedEvent(run, QStringLiteral("closed")) };
}

#endif
