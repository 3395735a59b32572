#include "fixturesimulator.h"

#include "rawpty.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <numeric>
#include <unistd.h>
#include <utility>

namespace {

constexpr char rawModeOnText[] = "Raw Value Mode On";
constexpr char rawModeOffText[] = "Raw Value Mode Off";
constexpr char storedText[] = "OK";
constexpr char unknownCommandText[] = "Unknown command";
constexpr char storeSlopePrefix[] = "mc=";
constexpr char storeOffsetPrefix[] = "bc=";
constexpr char storeDatePrefix[] = "ic=";
constexpr int storePrefixLength = 3;

constexpr std::chrono::milliseconds piecePause { 5 };
constexpr double driftFactor = 0.9;

qint64 steadyClockMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool isStepCommand(const QByteArray &command)
{
    return command.size() == 2 && command.at(0) == 'V' && command.at(1) >= '1'
        && command.at(1) <= '0' + int(SensorModel::stepReferences.size());
}

bool isStoreCommand(const QByteArray &command)
{
    return command.startsWith(storeSlopePrefix) || command.startsWith(storeOffsetPrefix)
        || command.startsWith(storeDatePrefix);
}

// Pushes the reading far enough out that no bound of any step can contain it.
double outOfRange(double reading)
{
    return reading * 1.5 + 10;
}

// A value the sensor refuses keeps the constant it already holds.
void commitNumber(const std::optional<QByteArray> &pending, double *target)
{
    if (!pending)
        return;
    bool ok = false;
    const double value = pending->toDouble(&ok);
    if (ok && std::isfinite(value))
        *target = value;
}

// Tests drive the simulator from their own thread; the pseudo-terminal belongs to its thread.
template <typename Work> void runInThreadOf(QObject *object, Work work)
{
    if (object->thread() == QThread::currentThread())
        work();
    else
        QMetaObject::invokeMethod(object, work, Qt::BlockingQueuedConnection);
}

} // namespace

namespace SensorModel {

double meanOf(const QList<int> &samples)
{
    if (samples.isEmpty())
        return 0;
    return std::accumulate(samples.cbegin(), samples.cend(), 0.0) / samples.size();
}

double rawCountAt(double conductivity, double rawLow, double rawHigh)
{
    return rawLow
        + (conductivity - lowReference) / (highReference - lowReference) * (rawHigh - rawLow);
}

QByteArray replyLine(const QByteArray &text)
{
    return text + "\r\n";
}

QByteArray formatReading(double value)
{
    return QByteArray::number(value, 'f', value < 100 ? 1 : 0);
}

QByteArray readingLine(double value)
{
    return replyLine(formatReading(value) + "pS/m, Cond");
}

QByteArray countsLine(int rawCount)
{
    return replyLine(QByteArray::number(rawCount) + ",Counts");
}

QByteArray slopeLine(double mc)
{
    return replyLine("MC = " + QByteArray::number(mc, 'f', 6));
}

QByteArray offsetLine(double bc)
{
    return replyLine("BC = " + QByteArray::number(bc, 'f', 5));
}

QByteArray saveConfirmationLine(const QByteArray &savedBytes)
{
    const auto sum = std::accumulate(savedBytes.cbegin(), savedBytes.cend(), 0u,
        [](unsigned total, char byte) { return total + static_cast<unsigned char>(byte); });
    const QByteArray checksum = QByteArray::number(sum & 0xFF, 16).rightJustified(2, '0');
    return replyLine("Saving Complete, 0x" + checksum.toUpper());
}

} // namespace SensorModel

FixtureSimulator::FixtureSimulator(const SimulatorOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_mc(options.drifted ? options.mc * driftFactor : options.mc)
    , m_bc(options.bc)
    , m_sensorCalDate(options.sensorCalDate)
    , m_piecePacer(new QTimer(this))
{
    m_piecePacer->setInterval(piecePause);
    connect(m_piecePacer, &QTimer::timeout, this, &FixtureSimulator::writeNextPiece);
}

FixtureSimulator::~FixtureSimulator()
{
    closeDevice();
}

bool FixtureSimulator::start(QString *errorText)
{
    bool started = false;
    runInThreadOf(this, [&] { started = isOpen() || openDevice(errorText); });
    return started;
}

QString FixtureSimulator::portPath() const
{
    return m_portPath;
}

bool FixtureSimulator::isOpen() const
{
    return m_masterFd >= 0;
}

void FixtureSimulator::hangUp()
{
    runInThreadOf(this, [this] { closeDevice(); });
}

void FixtureSimulator::queueReply(const QByteArray &command, const QByteArray &bytes)
{
    QMutexLocker lock(&m_mutex);
    m_queuedReplies[command].append(bytes);
}

void FixtureSimulator::writeRaw(const QByteArray &bytes)
{
    runInThreadOf(this, [this, &bytes] { writeToMaster(bytes); });
}

QByteArray FixtureSimulator::received() const
{
    QMutexLocker lock(&m_mutex);
    return m_received;
}

QList<QByteArray> FixtureSimulator::commands() const
{
    QMutexLocker lock(&m_mutex);
    return m_commands;
}

QList<qint64> FixtureSimulator::commandTimesMs() const
{
    QMutexLocker lock(&m_mutex);
    return m_commandTimes;
}

void FixtureSimulator::clearLog()
{
    QMutexLocker lock(&m_mutex);
    m_received.clear();
    m_commands.clear();
    m_commandTimes.clear();
}

SimulatorOptions &FixtureSimulator::options()
{
    return m_options;
}

double FixtureSimulator::mc() const
{
    QMutexLocker lock(&m_mutex);
    return m_mc;
}

double FixtureSimulator::bc() const
{
    QMutexLocker lock(&m_mutex);
    return m_bc;
}

QByteArray FixtureSimulator::sensorCalDate() const
{
    QMutexLocker lock(&m_mutex);
    return m_sensorCalDate;
}

bool FixtureSimulator::rawMode() const
{
    QMutexLocker lock(&m_mutex);
    return m_rawMode;
}

bool FixtureSimulator::openDevice(QString *errorText)
{
    RawPty pty;
    if (!openRawPty(&pty, errorText))
        return false;
    m_masterFd = pty.masterFd;
    m_slaveFd = pty.slaveFd;
    m_portPath = pty.slavePath;

    m_session = new QObject(this);
    m_readNotifier = new QSocketNotifier(m_masterFd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &FixtureSimulator::readMaster);
    m_writeNotifier = new QSocketNotifier(m_masterFd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &FixtureSimulator::flushUnwritten);
    return true;
}

void FixtureSimulator::closeDevice()
{
    if (!isOpen())
        return;
    // Deleting the session drops every reply still waiting on a timer. The notifiers may be the
    // very senders we are called from, so they go later.
    delete std::exchange(m_session, nullptr);
    for (QSocketNotifier *notifier : { m_readNotifier, m_writeNotifier }) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
    m_readNotifier = m_writeNotifier = nullptr;
    m_piecePacer->stop();
    // Closing the master is what removes the pts node, as pulling the USB adapter would.
    ::close(std::exchange(m_masterFd, -1));
    ::close(std::exchange(m_slaveFd, -1));
    m_line.clear();
    m_heldReply.reset();
    m_pieces.clear();
    m_unwritten.clear();
}

void FixtureSimulator::readMaster()
{
    char buffer[512];
    while (isOpen()) {
        const ssize_t count = ::read(m_masterFd, buffer, sizeof buffer);
        if (count > 0) {
            takeInput(QByteArray(buffer, count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            // EAGAIN ends this batch. Anything else cannot recover while we hold the slave open,
            // and a notifier left on would spin.
            if (count == 0 || errno != EAGAIN)
                m_readNotifier->setEnabled(false);
            return;
        }
    }
}

void FixtureSimulator::takeInput(const QByteArray &bytes)
{
    {
        QMutexLocker lock(&m_mutex);
        m_received += bytes;
    }
    for (const char byte : bytes) {
        if (!isOpen())
            return;
        if (byte == '\r') {
            const QByteArray command = std::exchange(m_line, {});
            if (!command.isEmpty())
                handleCommand(command);
        } else if (byte != '\n') {
            m_line += byte;
        }
    }
}

void FixtureSimulator::logCommand(const QByteArray &command)
{
    QMutexLocker lock(&m_mutex);
    m_commands.append(command);
    m_commandTimes.append(steadyClockMs());
}

bool FixtureSimulator::hangsUpOn(const QByteArray &command) const
{
    const QByteArray &trigger = m_options.hangUpOn;
    if (trigger.isEmpty())
        return false;
    return trigger.endsWith('=') ? command.startsWith(trigger) : command == trigger;
}

void FixtureSimulator::handleCommand(const QByteArray &command)
{
    logCommand(command);
    emit commandReceived(command);
    if (!isOpen())
        return;
    if (hangsUpOn(command)) {
        closeDevice();
        return;
    }
    if (m_options.silent)
        return;
    if (const auto queued = takeQueuedReply(command))
        replyAfter(m_options.replyDelayMs, *queued);
    else
        answer(command);
}

std::optional<QByteArray> FixtureSimulator::takeQueuedReply(const QByteArray &command)
{
    QMutexLocker lock(&m_mutex);
    const auto queue = m_queuedReplies.find(command);
    if (queue == m_queuedReplies.end())
        return std::nullopt;
    const QByteArray bytes = queue->takeFirst();
    if (queue->isEmpty())
        m_queuedReplies.erase(queue);
    return bytes;
}

void FixtureSimulator::answer(const QByteArray &command)
{
    if (const auto reply = identityReply(command))
        replyAfter(m_options.replyDelayMs, *reply);
    else if (command == "rw" || command == "RW")
        toggleRawMode();
    else if (isStepCommand(command))
        measureStep(command, command.at(1) - '0');
    else if (command == "C1")
        measureRaw(command, m_options.lowSamples, m_nextLowSample);
    else if (command == "C2")
        measureRaw(command, m_options.highSamples, m_nextHighSample);
    else if (isStoreCommand(command))
        storePending(command);
    else if (command == "sv")
        saveConstants();
    else
        replyAfter(m_options.replyDelayMs, SensorModel::replyLine(unknownCommandText));
}

std::optional<QByteArray> FixtureSimulator::identityReply(const QByteArray &command) const
{
    using SensorModel::replyLine;
    // No lower-case 'n' may come before the one ending "Version": readers cut the version there.
    if (command == "rs" || command == "RS")
        return replyLine("KR-5M-LD-CV-LNK Validation Fixture");
    if (command == "TO" || command == "to")
        return replyLine("Timeout in 30 mins");
    if (command == "sn")
        return replyLine("Serial Number = " + m_options.fixtureSerial);
    if (command == "vr")
        return replyLine("Version " + m_options.fixtureVersion);
    if (command == "cd")
        return replyLine("CALIBRATION DATE(MM/DD/YY) = " + m_options.fixtureCalDate);
    if (command == "in")
        return replyLine("Serial Number = " + m_options.sensorSerial);
    if (command == "iv")
        return replyLine("Version " + m_options.firmware);
    if (command == "ic")
        return replyLine("CALIBRATION DATE=" + sensorCalDate());
    if (command == "mc")
        return SensorModel::slopeLine(mc());
    if (command == "bc")
        return SensorModel::offsetLine(bc());
    return std::nullopt;
}

void FixtureSimulator::toggleRawMode()
{
    const bool on = !rawMode();
    {
        QMutexLocker lock(&m_mutex);
        m_rawMode = on;
    }
    replyAfter(m_options.replyDelayMs, SensorModel::replyLine(on ? rawModeOnText : rawModeOffText));
}

void FixtureSimulator::measureStep(const QByteArray &command, int step)
{
    measureAfterSampling(command,
        rawMode() ? SensorModel::countsLine(qRound(stepRawCount(step)))
                  : SensorModel::readingLine(stepReading(step)));
}

void FixtureSimulator::measureRaw(
    const QByteArray &command, const QList<int> &samples, int &nextSample)
{
    // A sensor outside raw value mode has no counts to give.
    if (!rawMode()) {
        replyAfter(m_options.replyDelayMs, SensorModel::replyLine(rawModeOffText));
        return;
    }
    const int rawCount = samples.isEmpty() ? 0 : samples.at(nextSample % samples.size());
    ++nextSample;
    QByteArray counts = SensorModel::countsLine(rawCount);
    if (m_options.garbledRawReadings.contains(++m_rawReadingsSent))
        counts[0] = 'O';
    measureAfterSampling(command, counts);
}

void FixtureSimulator::measureAfterSampling(const QByteArray &command, const QByteArray &result)
{
    const int noticeAt = m_options.replyDelayMs;
    const int resultAt = noticeAt + m_options.measureDelayMs;
    const QByteArray notice = SensorModel::replyLine(m_options.notice);
    const QByteArray echo = command + '\r';
    switch (m_options.framing) {
    case MeasurementFraming::NoticeThenReading:
        replyAfter(noticeAt, notice);
        replyAfter(resultAt, result);
        break;
    case MeasurementFraming::NoticeWithReading:
        replyAfter(resultAt, notice + result);
        break;
    case MeasurementFraming::NoticeWithReadingStart: {
        const qsizetype firstPart = result.size() / 2;
        replyAfter(noticeAt, notice + result.left(firstPart));
        replyAfter(resultAt, result.mid(firstPart));
        break;
    }
    case MeasurementFraming::EchoLineWithNotice:
        replyAfter(noticeAt, echo + '\n' + notice);
        replyAfter(resultAt, result);
        break;
    case MeasurementFraming::EchoWithNoticeOnItsLine:
        replyAfter(noticeAt, echo + notice);
        replyAfter(resultAt, result);
        break;
    case MeasurementFraming::BlankAndPromptBetween:
        replyAfter(noticeAt, notice + "\r\n> \r\n");
        replyAfter(resultAt, result);
        break;
    }
}

void FixtureSimulator::storePending(const QByteArray &command)
{
    const QByteArray value = command.mid(storePrefixLength);
    if (command.startsWith(storeSlopePrefix))
        m_pendingMc = value;
    else if (command.startsWith(storeOffsetPrefix))
        m_pendingBc = value;
    else
        m_pendingDate = value;
    replyAfter(m_options.replyDelayMs, SensorModel::replyLine(storedText));
}

void FixtureSimulator::saveConstants()
{
    QByteArray saved;
    {
        QMutexLocker lock(&m_mutex);
        commitNumber(std::exchange(m_pendingMc, std::nullopt), &m_mc);
        commitNumber(std::exchange(m_pendingBc, std::nullopt), &m_bc);
        if (m_pendingDate)
            m_sensorCalDate = *std::exchange(m_pendingDate, std::nullopt);
        saved = SensorModel::slopeLine(m_mc) + SensorModel::offsetLine(m_bc) + m_sensorCalDate;
    }
    if (m_options.confirmSave)
        replyAfter(m_options.replyDelayMs + std::max(0, m_options.lateSaveConfirmMs),
            SensorModel::saveConfirmationLine(saved));
}

double FixtureSimulator::stepRawCount(int step) const
{
    return SensorModel::rawCountAt(SensorModel::stepReferences.at(size_t(step - 1)),
        SensorModel::meanOf(m_options.lowSamples), SensorModel::meanOf(m_options.highSamples));
}

double FixtureSimulator::stepReading(int step) const
{
    const double reading = mc() * stepRawCount(step) + bc();
    return step == m_options.failStep ? outOfRange(reading) : reading;
}

void FixtureSimulator::replyAfter(int delayMs, const QByteArray &bytes)
{
    QTimer::singleShot(std::max(0, delayMs), m_session, [this, bytes] { sendReply(bytes); });
}

void FixtureSimulator::sendReply(const QByteArray &bytes)
{
    if (m_options.coalesce && !m_heldReply) {
        m_heldReply = bytes;
        return;
    }
    const QByteArray reply
        = std::exchange(m_heldReply, std::nullopt).value_or(QByteArray()) + bytes;
    emit replySent(reply);
    if (!isOpen())
        return;
    if (m_options.splitChunk > 0)
        queuePieces(reply);
    else
        writeToMaster(reply);
}

void FixtureSimulator::queuePieces(const QByteArray &bytes)
{
    for (qsizetype at = 0; at < bytes.size(); at += m_options.splitChunk)
        m_pieces.append(bytes.mid(at, m_options.splitChunk));
    if (!m_piecePacer->isActive() && !m_pieces.isEmpty())
        writeNextPiece();
}

void FixtureSimulator::writeNextPiece()
{
    writeToMaster(m_pieces.takeFirst());
    if (m_pieces.isEmpty())
        m_piecePacer->stop();
    else if (!m_piecePacer->isActive())
        m_piecePacer->start();
}

void FixtureSimulator::writeToMaster(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    m_unwritten += bytes;
    flushUnwritten();
}

void FixtureSimulator::flushUnwritten()
{
    while (!m_unwritten.isEmpty()) {
        const ssize_t count = ::write(m_masterFd, m_unwritten.constData(), m_unwritten.size());
        if (count > 0) {
            m_unwritten.remove(0, count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            // A full line waits for the reader; a broken one will never take these bytes.
            if (errno != EAGAIN)
                m_unwritten.clear();
            break;
        }
    }
    m_writeNotifier->setEnabled(!m_unwritten.isEmpty());
}
