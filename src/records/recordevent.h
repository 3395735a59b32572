#ifndef RECORDEVENT_H
#define RECORDEVENT_H

#include <QByteArray>
#include <QCborMap>
#include <QDateTime>
#include <QString>
#include <QUuid>

// One event of the calibration records: something that happened to one sensor in one run, at
// one moment. Events are only ever added; a correction is a new event. The columns the register
// looks up by stand beside the payload, which keeps everything else as the devices sent it.
struct RecordEvent
{
    QUuid id; // unique: made from the time and 74 random bits; the server's key for it
    QUuid run;
    QString kind; // one of EventKind
    qint64 utcMs = 0; // milliseconds since the epoch, UTC
    int utcOffsetSeconds = 0; // of the computer's local time at that moment
    // As the register finds a run by: on a run's identification, its end and its save result.
    QByteArray sensorSerial;
    QByteArray fixtureSerial;
    QString verdict; // the outcome, where the event has one
    QCborMap payload;

    QDateTime localTime() const;
    bool operator==(const RecordEvent &other) const;
};

// The kinds of event, as stored.
namespace EventKind {
inline constexpr char identified[] = "identified";
inline constexpr char validation[] = "validation";
inline constexpr char calibration[] = "calibration";
inline constexpr char store[] = "store"; // committed before the sensor's constants are replaced
inline constexpr char storeDeclined[] = "store declined";
inline constexpr char saveStep[] = "save step";
inline constexpr char saveResult[] = "save result";
inline constexpr char report[] = "report";
inline constexpr char ended[] = "ended";
inline constexpr char imported[] = "imported";
inline constexpr char importFinished[] = "import finished";
// The chain goes on from a server's acknowledged event instead of the file's last one: the file
// ended before it (events removed, or put back from an older copy), or differs from it.
inline constexpr char resumed[] = "resumed";
// What a lab decides for its records, each change an event: its own settings, a fixture's
// reference data, a sensor's customer; and each certificate issued.
inline constexpr char setting[] = "setting";
inline constexpr char fixtureSetting[] = "fixture setting";
inline constexpr char customer[] = "customer";
inline constexpr char certificate[] = "certificate";
}

// The values a resumed event keeps: why, the server's event it continues from, where the file
// stood, and the file's own events the server does not hold, each as stored.
namespace ResumeKey {
inline constexpr char reason[] = "reason";
inline constexpr char server[] = "server";
inline constexpr char serverSeq[] = "server seq";
inline constexpr char serverHash[] = "server hash";
inline constexpr char fileSeq[] = "file seq";
inline constexpr char fileHash[] = "file hash";
inline constexpr char diverged[] = "diverged";
inline constexpr char endedBefore[] = "ended before";
inline constexpr char differed[] = "differed";
}

namespace Verdict {
inline constexpr char passed[] = "passed";
inline constexpr char failed[] = "failed";
inline constexpr char computed[] = "computed";
inline constexpr char unreadableSample[] = "failed: unreadable sample";
inline constexpr char noUsableConstants[] = "failed: no usable constants";
inline constexpr char confirmed[] = "confirmed";
inline constexpr char notConfirmed[] = "not confirmed";
}

// A new event of the given kind and run, now.
RecordEvent newEvent(const char *kind, const QUuid &run);

// A UUID whose first 48 bits are the time it was made (RFC 9562 version 7), so events and runs
// added one after another sit side by side in their indexes instead of all over them.
QUuid timeOrderedUuid();
// The same for an event made at another moment: a lab's made-up records for the benchmark.
QUuid timeOrderedUuid(qint64 madeMs);

// The payload as stored: CBOR.
QByteArray encodedPayload(const QCborMap &payload);
QCborMap decodedPayload(const QByteArray &stored);

// SHA-256 over the previous event's hash (none for the first) and every stored column of the
// event but its local order and its own hash, each with its length, so no two events read the
// same. The payload is taken as stored.
QByteArray chainHash(
    const QByteArray &previousHash, const RecordEvent &event, const QByteArray &storedPayload);

#endif
