#ifndef PROTOCOL_H
#define PROTOCOL_H

#include <QByteArray>
#include <QString>

// What the fixture and the sensor understand, and how their replies are read. Every command is
// plain ASCII ending in one carriage return; every reply line ends in CR LF.
namespace Command {
inline constexpr char resetLower[] = "rs\r";
inline constexpr char resetUpper[] = "RS\r";
inline constexpr char timeoutUpper[] = "TO\r";
inline constexpr char timeoutLower[] = "to\r";
inline constexpr char fixtureSerial[] = "sn\r";
inline constexpr char fixtureVersion[] = "vr\r";
inline constexpr char fixtureCalDate[] = "cd\r";
inline constexpr char sensorSerial[] = "in\r";
inline constexpr char sensorVersion[] = "iv\r";
inline constexpr char sensorCalDate[] = "ic\r";
inline constexpr char slope[] = "mc\r";
inline constexpr char offset[] = "bc\r";
inline constexpr char rawModeToggle[] = "rw\r";
inline constexpr char rawModeToggleUpper[] = "RW\r";
inline constexpr char saveConstants[] = "sv\r";
inline constexpr char setSlope[] = "mc=";
inline constexpr char setOffset[] = "bc=";
inline constexpr char setCalDate[] = "ic=";

// "V1\r" .. "V5\r": a validation reading at reference step 1..5.
QByteArray validationReading(int step);
// "C1\r" or "C2\r": a raw reading at the low or the high reference.
QByteArray lowRawReading();
QByteArray highRawReading();
}

namespace Reply {
inline constexpr char lineEnd[] = "\r\n";
inline constexpr char fixtureModel[] = "KR-5M-LD-CV-LNK";
inline constexpr char sensorModel[] = "KR-5M-LD";
inline constexpr char timeout[] = "Timeout in 30 mins";
inline constexpr char serialNumber[] = "Serial Number";
inline constexpr char version[] = "Version ";
inline constexpr char fixtureCalDate[] = "CALIBRATION DATE(MM/DD/YY) =";
inline constexpr char sensorCalDate[] = "CALIBRATION DATE=";
inline constexpr char slope[] = "MC =";
inline constexpr char offset[] = "BC =";
inline constexpr char rawModeOn[] = "Raw Value Mode On";
inline constexpr char rawModeOff[] = "Raw Value Mode Off";
inline constexpr char reading = 'C';
inline constexpr char saveComplete[] = "Saving Complete, 0x";
}

// The firmware below which the sensor cannot take part.
inline constexpr double minimumFirmware = 0.85;

// Everything after the first '=', untrimmed.
QString valueAfterEquals(const QByteArray &reply);
// Everything after the first lower-case 'n' (the one ending "Version"), untrimmed.
QString versionText(const QByteArray &reply);
// The slope from its number on, with whatever follows it in the buffer.
QString slopeText(const QByteArray &reply);
// A validation reading: the trimmed reply cut before its first lower-case 'p' ("2.9pS/m" -> "2.9").
QString readingText(const QByteArray &reply);
// A raw sample: the trimmed reply cut before its first comma.
QString sampleText(const QByteArray &reply);
// A raw sample's value; text that is not a whole base-10 integer counts as 0.
int sampleValue(const QString &sampleText);
// The firmware version as a number; text that is not a number reads as 0.
double firmwareValue(const QString &versionText);

#endif
