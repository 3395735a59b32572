#ifndef CALIBRATIONDLG_STATES_H
#define CALIBRATIONDLG_STATES_H

#include "calibrationmath.h"
#include "protocol.h"
#include "runrecord.h"
#include "stepbounds.h"
#include "ui_calibrationdlg.h"

#include <QtGlobal>
#include <chrono>

// The dialogue's states: the reply each one waits for is handled by the handler of its group.
namespace State {
constexpr int idle = -1;

// Identification: one command and one reply each, in this order.
constexpr int fixtureModel = 0;
constexpr int fixtureTimeout = 1;
constexpr int fixtureSerial = 2;
constexpr int fixtureVersion = 3;
constexpr int fixtureCalDate = 4;
constexpr int sensorSerial = 5;
constexpr int sensorVersion = 6;
constexpr int sensorCalDate = 7;
constexpr int sensorSlope = 8;
constexpr int sensorOffset = 9;

// Waiting for the records to commit the sensor's present constants before they are replaced.
constexpr int keepingRecord = 99;

// Storing new constants: each step is paced by the response timer; only the last is answered.
constexpr int saveSlope = 100;
constexpr int saveOffset = 101;
constexpr int saveDate = 102;
constexpr int saveConfirmation = 103;

// Raw value mode, which each run switches first.
constexpr int rawModeOn = 208;
constexpr int rawModeOff = 209;

// Measurements. The sensor answers each measurement command first with a notice that it is
// sampling, awaited in an even state, then with the reading, awaited in the odd state after it.
constexpr int readingAfter(int noticeState)
{
    return noticeState + 1;
}
constexpr int noticeBefore(int readingState)
{
    return readingState - 1;
}

// A validation measures step 1 once to let the sensor settle, then steps 1 to 5.
constexpr int settleNotice = 210;
constexpr int settleReading = 211;
constexpr int stepNotice(int step)
{
    return settleNotice + 2 * step;
}
constexpr int stepReading(int step)
{
    return readingAfter(stepNotice(step));
}
constexpr int lastValidation = stepReading(validationStepCount);

// A calibration takes a low and then a high set; each opens with a reading that only tells the
// sensor has settled on the reference, then five counted samples.
constexpr int lowSettleNotice = 222;
constexpr int lowSettleReading = 223;
constexpr int highSettleNotice = 234;
constexpr int highSettleReading = 235;
constexpr int sampleNotice(int setSettleNotice, int sample)
{
    return setSettleNotice + 2 * sample;
}
constexpr int lastCalibration = readingAfter(sampleNotice(highSettleNotice, samplesPerSet));

static_assert(stepReading(1) == 213 && lastValidation == 221);
static_assert(readingAfter(sampleNotice(lowSettleNotice, samplesPerSet)) == 233
    && highSettleNotice == readingAfter(233) && lastCalibration == 245);

constexpr bool isIdentification(int state)
{
    return state >= fixtureModel && state <= sensorOffset;
}
constexpr bool isRawModeSwitch(int state)
{
    return state == rawModeOn || state == rawModeOff;
}
constexpr bool isMeasurement(int state)
{
    return state >= settleNotice && state <= lastCalibration;
}
constexpr bool awaitsNotice(int state)
{
    return isMeasurement(state) && state % 2 == 0;
}
constexpr bool isValidation(int state)
{
    return state >= settleNotice && state <= lastValidation;
}
constexpr bool isSaveStep(int state)
{
    return state >= saveSlope && state <= saveConfirmation;
}
}

// Far above any real reply; a line that grows past it is noise, not a reply.
constexpr qsizetype maxReplyBytes = 4096;

// A counted calibration sample that cannot be read is asked for again, twice at most.
constexpr int sampleAttempts = 3;

// Before the sensor's constants are replaced, the records must have them on disk: the dialog
// waits this long for the records thread to say so.
constexpr std::chrono::milliseconds recordCommitLimit { 2000 };

// One identification state: the keyword its reply must carry; on a match the status shown, the
// value cut from the reply with the run's place and the field that show it, and the state and
// command that follow; on a complete reply without it, the command asked again, always the one
// whose reply the state awaits. The two date states take a date from either device and have a
// table of their own.
struct IdentificationStep
{
    int state;
    const char *awaited;
    const char *status;
    Reported *(*value)(RunRecord &run); // where the reply's value is kept, or none
    QString (*cut)(const QByteArray &reply);
    QLineEdit *Ui::CalibrationDlg::*field;
    int next;
    const char *nextCommand;
    const char *resendCommand;
};

// Either device answers its date question by its own form of the reply.
struct CalibrationDateForm
{
    const char *keyword;
    const char *status;
    Reported *(*value)(RunRecord &run);
    QLineEdit *Ui::CalibrationDlg::*field;
    int next;
    const char *nextCommand;
};

// One save step: the command and where its value comes from, the status shown while it is
// stored, and the debug trace.
struct SaveStep
{
    int state;
    const char *command; // the fixed part; the value and the CR follow
    QLineEdit *Ui::CalibrationDlg::*valueField; // none: the date, or no value at all
    bool carriesDate;
    const char *status; // none: the status bar keeps its text
    const char *trace;
};

const IdentificationStep &identificationStep(int state);
const CalibrationDateForm *calibrationDateFormOf(const QByteArray &reply);
const SaveStep &saveStep(int state);

// The command a state sends again when a complete reply is not the one it awaits; nullptr
// where the state just waits for more.
const char *resendCommandFor(int state);

#endif
