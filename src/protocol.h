#ifndef PROTOCOL_H
#define PROTOCOL_H

#include <QByteArray>
#include <QString>
#include <optional>

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
// Where the sensor's answer to a measurement command ("V1".."V5", "C1", "C2") stands, read from
// every byte received since the command was written. Its first line only says that it is
// sampling, whatever it holds; the reading is the first later line with an upper-case 'C'.
// Lines in between without one (blank lines, a prompt) are passed over, and a command the
// fixture echoes, as a line of its own or with the notice after its CR, is not its first line.
struct MeasurementReply
{
    bool noticeArrived = false;
    std::optional<QByteArray> readingLine; // without its CR LF
};
MeasurementReply readMeasurementReply(const QByteArray &sinceCommand, const QByteArray &command);

// A validation reading: the trimmed reading line cut before its first lower-case 'p'
// ("121pS/m, Cond" -> "121").
QString readingText(const QByteArray &readingLine);
// A raw sample as the line gives it: trimmed and cut before its first comma ("1002,Counts" ->
// "1002").
QString sampleText(const QByteArray &readingLine);
// The raw sample's value, only when the line has its comma and the text before it is a whole
// base-10 integer that no NUL cut short; otherwise the sample cannot be read, and nothing may be
// made of it.
std::optional<int> sampleValue(const QByteArray &readingLine);
// The firmware version as a number; text that is not a number reads as 0.
double firmwareValue(const QString &versionText);

#endif
