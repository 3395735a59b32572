#include "recordevent.h"

#include "sha256.h"

#include <QCborValue>
#include <QRandomGenerator>
#include <QtEndian>

QDateTime RecordEvent::localTime() const
{
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::OffsetFromUTC, utcOffsetSeconds);
}

bool RecordEvent::operator==(const RecordEvent &other) const
{
    return id == other.id && run == other.run && kind == other.kind && utcMs == other.utcMs
        && utcOffsetSeconds == other.utcOffsetSeconds && sensorSerial == other.sensorSerial
        && fixtureSerial == other.fixtureSerial && verdict == other.verdict
        && payload == other.payload;
}

RecordEvent newEvent(const char *kind, const QUuid &run)
{
    const QDateTime now = QDateTime::currentDateTime();
    RecordEvent event;
    event.id = timeOrderedUuid();
    event.run = run;
    event.kind = QString::fromLatin1(kind);
    event.utcMs = now.toMSecsSinceEpoch();
    event.utcOffsetSeconds = now.offsetFromUtc();
    return event;
}

QUuid timeOrderedUuid()
{
    return timeOrderedUuid(QDateTime::currentMSecsSinceEpoch());
}

QUuid timeOrderedUuid(qint64 madeMs)
{
    constexpr int timeBytes = 6;
    QByteArray bytes(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), 4);
    const quint64 ms = quint64(madeMs);
    for (int i = 0; i < timeBytes; ++i)
        bytes[i] = char(ms >> (8 * (timeBytes - 1 - i)));
    bytes[6] = char(0x70 | (bytes[6] & 0x0f)); // version 7
    bytes[8] = char(0x80 | (bytes[8] & 0x3f)); // the RFC's variant
    return QUuid::fromRfc4122(bytes);
}

QByteArray encodedPayload(const QCborMap &payload)
{
    return payload.toCborValue().toCbor();
}

QCborMap decodedPayload(const QByteArray &stored)
{
    return QCborValue::fromCbor(stored).toMap();
}

namespace {
void addField(Sha256 &hash, const QByteArray &bytes)
{
    const qint32 bigEndian = qToBigEndian(qint32(bytes.size()));
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(&bigEndian), sizeof bigEndian));
    hash.addData(bytes);
}

QByteArray numberBytes(qint64 value)
{
    return QByteArray::number(value);
}
}

QByteArray chainHash(
    const QByteArray &previousHash, const RecordEvent &event, const QByteArray &storedPayload)
{
    Sha256 hash;
    addField(hash, previousHash);
    addField(hash, event.id.toRfc4122());
    addField(hash, event.run.toRfc4122());
    addField(hash, event.kind.toUtf8());
    addField(hash, numberBytes(event.utcMs));
    addField(hash, numberBytes(event.utcOffsetSeconds));
    addField(hash, event.sensorSerial);
    addField(hash, event.fixtureSerial);
    addField(hash, event.verdict.toUtf8());
    addField(hash, storedPayload);
    return hash.result();
}
