#ifndef RUNRECORD_H
#define RUNRECORD_H

#include "calibrationmath.h"
#include "stepbounds.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>
#include <array>
#include <optional>

// A value as a device reported it: the reply it was cut from, every byte as received, and the
// text the dialog cut from that reply and shows, untrimmed.
struct Reported
{
    QByteArray reply;
    QString text;

    bool operator==(const Reported &other) const
    {
        return reply == other.reply && text == other.text;
    }
};

struct DeviceIdentity
{
    Reported model, serial, firmware, calDate;
};

enum class RunMode { Validation, Calibration };

// A validation before any new constants were sent to the sensor in this run shows it as it was
// found; one after, whether the sensor confirmed saving them or not, shows it as it was left.
enum class ValidationPhase { AsFound, AsLeft };

struct StepReading
{
    QByteArray line; // the reading line as received, without its CR LF
    QString text; // what the step's field shows: the line cut before its first 'p'
    bool passed = false;
};

struct ValidationRecord
{
    ValidationPhase phase = ValidationPhase::AsFound;
    QDateTime startedAt, endedAt;
    std::array<std::optional<StepReading>, validationStepCount> steps;

    bool complete() const;
    bool passed() const; // complete, and every step within its bounds
};

enum class ReferenceSet { Low, High };

struct SampleRecord
{
    ReferenceSet set = ReferenceSet::Low;
    int number = 0; // 0: the reading that opens the set and is not counted; then 1 to 5
    QByteArray line; // as received, without its CR LF
    std::optional<int> value; // none when the line could not be read

    bool operator==(const SampleRecord &other) const
    {
        return set == other.set && number == other.number && line == other.line
            && value == other.value;
    }
};

struct CalibrationRecord
{
    QDateTime startedAt, endedAt;
    // Every reading taken, in order, the unreadable ones asked for again included.
    QList<SampleRecord> samples;
    std::optional<qint64> lowAverage, highAverage;
    std::optional<CalibrationConstants> constants;
    QString slopeText, offsetText; // as shown, and as sent to the sensor

    // The sum of the counted samples of a set taken so far.
    qint64 sumOf(ReferenceSet set) const;
    bool canBeStored() const;
};

// The save steps of one store sequence: the commands as written, and whether the sensor
// confirmed saving them.
struct StoreRecord
{
    QList<QByteArray> sentCommands;
    std::optional<bool> confirmed;
};

// What the fixture and the sensor said in one dialog between Connect and Close or the fixture's
// loss, kept apart from the fields that show it: a technician may type over a field, the run
// keeps what the devices said. The latest validation and calibration of the run are kept; a
// validation made before new constants were sent no longer describes the sensor, and is dropped
// when they are.
struct RunRecord
{
    QUuid id; // a new one at every Connect
    QDateTime connectedAt;
    DeviceIdentity fixture, sensor;
    Reported slope, offset; // MC and BC as read at identification: the sensor as found
    RunMode mode = RunMode::Validation;
    std::optional<ValidationRecord> validation;
    std::optional<CalibrationRecord> calibration;
    std::optional<StoreRecord> store;

    bool newConstantsStored() const { return store && store->confirmed.value_or(false); }
    ValidationPhase nextValidationPhase() const;
    // The text of step 1 to 5 of the latest validation, and the new constants of the latest
    // calibration; empty where there are none.
    QString stepText(int step) const;
    QString newSlopeText() const { return calibration ? calibration->slopeText : QString(); }
    QString newOffsetText() const { return calibration ? calibration->offsetText : QString(); }
    // MC's change from the constant read to the new one, in percent of the one read; none where
    // either is not a number or the one read is zero.
    std::optional<double> slopeChangePercent() const;
};

// The number a device's text says, where it is a finite one.
std::optional<double> finiteNumberOf(const QString &text);

// A field whose text differs from what the device or the measurement gave.
struct EditedField
{
    const char *name;
    QString recorded, shown;
};

// The fields of `shown` (a run filled from the dialog's fields) that differ from `recorded`.
QList<EditedField> editedFields(const RunRecord &recorded, const RunRecord &shown);

#endif
