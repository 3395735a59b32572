#ifndef FIXTURESIMULATOR_H
#define FIXTURESIMULATOR_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <array>
#include <optional>

class QSocketNotifier;
class QTimer;

// How the KR-5M-LD turns conductivity into raw counts and counts into readings. Pure arithmetic
// and reply formatting, so tests can check numbers without a pseudo-terminal.
namespace SensorModel {

constexpr double lowReference = 2.8;
constexpr double highReference = 1748.0;
constexpr std::array<double, 5> stepReferences { 2.8, 120, 600, 1000, 1700 };

// Raw counts of a healthy default sensor at the two references.
constexpr int defaultRawLow = 1000;
constexpr int defaultRawHigh = 2800;

// The constants that map the two raw counts exactly onto the two references.
constexpr double healthySlope(double rawLow, double rawHigh)
{
    return (highReference - lowReference) / (rawHigh - rawLow);
}
constexpr double healthyOffset(double rawLow, double rawHigh)
{
    return lowReference - healthySlope(rawLow, rawHigh) * rawLow;
}

double meanOf(const QList<int> &samples);
// Counts are linear in conductivity between the two references.
double rawCountAt(double conductivity, double rawLow, double rawHigh);

QByteArray replyLine(const QByteArray &text);
// One decimal below 100 pS/m, none from 100 up.
QByteArray formatReading(double value);
QByteArray readingLine(double value);
QByteArray countsLine(int rawCount);
QByteArray slopeLine(double mc);
QByteArray offsetLine(double bc);
QByteArray saveConfirmationLine(const QByteArray &savedBytes);

} // namespace SensorModel

// How the fixture frames its answer to a measurement command: a notice that the sensor is
// sampling, then, after the measurement time, the reading line.
enum class MeasurementFraming {
    NoticeThenReading = 1, // each line as it is ready
    NoticeWithReading, // both lines in one write, once the reading is ready
    NoticeWithReadingStart, // the notice and the reading's first bytes together, the rest later
    EchoLineWithNotice, // the command echoed as a line of its own, with the notice
    EchoWithNoticeOnItsLine, // the echo ends in its CR only, the notice follows on its line
    BlankAndPromptBetween, // a blank line and a prompt line between notice and reading
};
inline constexpr int measurementFramingCount = 6;

struct SimulatorOptions
{
    QByteArray fixtureSerial = "1047", fixtureVersion = "1.2", fixtureCalDate = "01/10/12";
    // sensorCalDate, mc, bc and drifted are read once, when the simulator is built: from then on
    // they live in the sensor, which only "sv" changes.
    QByteArray sensorSerial = "517", firmware = "0.87", sensorCalDate = "06/14/12";
    double mc = SensorModel::healthySlope(SensorModel::defaultRawLow, SensorModel::defaultRawHigh);
    double bc = SensorModel::healthyOffset(SensorModel::defaultRawLow, SensorModel::defaultRawHigh);
    QList<int> lowSamples = { SensorModel::defaultRawLow - 2, SensorModel::defaultRawLow - 1,
        SensorModel::defaultRawLow, SensorModel::defaultRawLow + 1,
        SensorModel::defaultRawLow + 2 };
    QList<int> highSamples = { SensorModel::defaultRawHigh - 2, SensorModel::defaultRawHigh - 1,
        SensorModel::defaultRawHigh, SensorModel::defaultRawHigh + 1,
        SensorModel::defaultRawHigh + 2 };
    bool drifted = false; // mc scaled by 0.9 at start, so a validation fails
    int failStep = 0; // 1..5: that step reads well out of range; 0: none
    int replyDelayMs = 0, measureDelayMs = 20;
    MeasurementFraming framing = MeasurementFraming::NoticeThenReading;
    QByteArray notice = "Sampling"; // may hold a 'C': it is never the reading
    // Raw readings (answers to "C1" and "C2", counted together from 1) sent with a letter in
    // place of a digit, as a noisy line would deliver them.
    QList<int> garbledRawReadings;
    int splitChunk = 0; // >0: each reply written in pieces of this many bytes, ~5 ms apart
    bool coalesce = false; // each reply held back and written together with the next one
    bool silent = false; // read everything, answer nothing
    QByteArray hangUpOn; // exact command, or a prefix when it ends in '=' (e.g. "bc=")
    bool confirmSave = true;
    int lateSaveConfirmMs = 0;
};

// The KR-5M-LD-CV-LNK fixture with its sensor behind the master side of a pseudo-terminal. The
// program under test opens portPath() like any serial port. All work happens on the thread of
// this object's event loop; start, hangUp and writeRaw may be called from another thread and
// wait for it there.
class FixtureSimulator : public QObject
{
    Q_OBJECT

public:
    explicit FixtureSimulator(const SimulatorOptions &options = {}, QObject *parent = nullptr);
    ~FixtureSimulator() override;

    bool start(QString *errorText = nullptr);
    QString portPath() const;
    bool isOpen() const;
    void hangUp();

    void queueReply(const QByteArray &command, const QByteArray &bytes);
    void writeRaw(const QByteArray &bytes);

    QByteArray received() const;
    QList<QByteArray> commands() const;
    QList<qint64> commandTimesMs() const; // steady clock, comparable with QElapsedTimer
    void clearLog();

    // Behaviour options are read whenever they apply, so a test may change them mid-run.
    SimulatorOptions &options();
    double mc() const;
    double bc() const;
    QByteArray sensorCalDate() const;
    bool rawMode() const;

signals:
    void commandReceived(const QByteArray &command);
    void replySent(const QByteArray &bytes);

private:
    bool openDevice(QString *errorText);
    void closeDevice();
    void readMaster();
    void takeInput(const QByteArray &bytes);
    void logCommand(const QByteArray &command);
    bool hangsUpOn(const QByteArray &command) const;
    void handleCommand(const QByteArray &command);
    std::optional<QByteArray> takeQueuedReply(const QByteArray &command);
    void answer(const QByteArray &command);
    std::optional<QByteArray> identityReply(const QByteArray &command) const;
    void toggleRawMode();
    void measureStep(const QByteArray &command, int step);
    void measureRaw(const QByteArray &command, const QList<int> &samples, int &nextSample);
    void measureAfterSampling(const QByteArray &command, const QByteArray &result);
    void storePending(const QByteArray &command);
    void saveConstants();
    double stepReading(int step) const;
    double stepRawCount(int step) const;

    void replyAfter(int delayMs, const QByteArray &bytes);
    void sendReply(const QByteArray &bytes);
    void queuePieces(const QByteArray &bytes);
    void writeNextPiece();
    void writeToMaster(const QByteArray &bytes);
    void flushUnwritten();

    SimulatorOptions m_options;

    double m_mc;
    double m_bc;
    QByteArray m_sensorCalDate;
    bool m_rawMode = false;
    std::optional<QByteArray> m_pendingMc, m_pendingBc, m_pendingDate;
    int m_nextLowSample = 0;
    int m_nextHighSample = 0;
    int m_rawReadingsSent = 0;

    int m_masterFd = -1;
    int m_slaveFd = -1;
    QString m_portPath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QObject *m_session = nullptr; // context of every pending reply timer
    QByteArray m_line;
    std::optional<QByteArray> m_heldReply;
    QList<QByteArray> m_pieces;
    QTimer *m_piecePacer;
    QByteArray m_unwritten;

    mutable QMutex m_mutex;
    QByteArray m_received;
    QList<QByteArray> m_commands;
    QList<qint64> m_commandTimes;
    QHash<QByteArray, QList<QByteArray>> m_queuedReplies;
};

#endif
