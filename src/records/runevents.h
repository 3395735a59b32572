#ifndef RUNEVENTS_H
#define RUNEVENTS_H

#include "recordevent.h"
#include "runrecord.h"

#include <QCborArray>
#include <QStringList>

// Who and what made a run's records: the computer, the account and the program.
struct RunContext
{
    QString computer;
    QString login;
    QString fullName;
    QString program;

    // This computer, this account, this program.
    static RunContext ofThisProgram();
};

// The names of the values an event's payload keeps, as stored.
namespace Key {
inline constexpr char computer[] = "computer";
inline constexpr char login[] = "login";
inline constexpr char fullName[] = "full name";
inline constexpr char program[] = "program";
inline constexpr char fixture[] = "fixture";
inline constexpr char sensor[] = "sensor";
inline constexpr char model[] = "model";
inline constexpr char serial[] = "serial";
inline constexpr char firmware[] = "firmware";
inline constexpr char calDate[] = "calibration date";
inline constexpr char slope[] = "MC";
inline constexpr char offset[] = "BC";
inline constexpr char reply[] = "reply"; // every byte as received
inline constexpr char text[] = "text"; // as cut from it, and shown
inline constexpr char number[] = "number"; // read from the text, where it is one
inline constexpr char date[] = "date"; // ISO 8601, where the text is a date
inline constexpr char phase[] = "phase";
inline constexpr char steps[] = "steps";
inline constexpr char line[] = "line";
inline constexpr char lower[] = "lower";
inline constexpr char upper[] = "upper";
inline constexpr char passed[] = "passed";
inline constexpr char started[] = "started";
inline constexpr char low[] = "low"; // each sample: [number, line, value or null]
inline constexpr char high[] = "high";
inline constexpr char lowAverage[] = "low average";
inline constexpr char highAverage[] = "high average";
inline constexpr char oldSlope[] = "old MC";
inline constexpr char oldOffset[] = "old BC";
inline constexpr char newSlope[] = "new MC";
inline constexpr char newOffset[] = "new BC";
inline constexpr char slopeChange[] = "MC change %";
inline constexpr char warned[] = "warned";
inline constexpr char command[] = "command";
inline constexpr char path[] = "path";
inline constexpr char variant[] = "variant";
inline constexpr char sha256[] = "sha256";
inline constexpr char edited[] = "edited";
inline constexpr char field[] = "field";
inline constexpr char recorded[] = "recorded";
inline constexpr char shown[] = "shown";
inline constexpr char reason[] = "reason";
inline constexpr char calibrated[] = "calibrated";
inline constexpr char columns[] = "columns";
inline constexpr char file[] = "file";
inline constexpr char lines[] = "lines";
}

namespace Phase {
inline constexpr char asFound[] = "as found";
inline constexpr char asLeft[] = "as left";
}

// The events a run records, each from the run as the devices reported it. The run's first event,
// its identification, names the sensor and the fixture the register finds runs by.
RecordEvent identifiedEvent(const RunRecord &run, const RunContext &context);
RecordEvent validationEvent(const RunRecord &run);
RecordEvent calibrationEvent(const RunRecord &run, const char *verdict);
// The sensor's present constants and the new ones, committed before the first is replaced.
RecordEvent storeEvent(const RunRecord &run, bool warned);
RecordEvent storeDeclinedEvent(const RunRecord &run, bool warned);
RecordEvent saveStepEvent(const RunRecord &run, const QByteArray &command);
RecordEvent saveResultEvent(const RunRecord &run, const char *verdict);
// The report as written: its file, its variant, the hash of its bytes, and every field whose
// text differed from the run's.
RecordEvent reportEvent(const RunRecord &run, const QString &path, bool calibrationReport,
    const QByteArray &reportBytes, const QList<EditedField> &edited);
// The run's end, with the verdict of its last validation and whether new constants were stored.
RecordEvent endedEvent(const RunRecord &run, const QString &reason);

// A reported value as kept: its reply and its text, and its number or date where it is one.
QCborMap reportedValue(const Reported &value);
// A number as kept: whole numbers take the few bytes of an integer.
QCborValue keptNumber(double number);
// The text of a kept value, trimmed as the register shows it.
QString keptText(const QCborValue &value);

#endif
