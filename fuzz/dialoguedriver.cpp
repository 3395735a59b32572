#include "dialoguedriver.h"

#include "calibrationdlg.h"
#include "calibrationmath.h"
#include "fuzzinput.h"
#include "memorydevice.h"
#include "offeredports.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <array>
#include <cstdio>

namespace {
constexpr char connectButton[] = "calibrationPB_Connect";
constexpr char validateButton[] = "Validate_RB";
constexpr char calibrateButton[] = "Calibrate_RB";

constexpr char fixtureModelReply[] = "KR-5M-LD-CV-LNK Validation Fixture\r\n";
constexpr char timeoutReply[] = "Timeout in 30 mins\r\n";
constexpr char fixtureSerialReply[] = "Serial Number = 1001\r\n";
constexpr char fixtureVersionReply[] = "Version 1.10\r\n";
constexpr char fixtureDateReply[] = "CALIBRATION DATE(MM/DD/YY) = 01/15/24\r\n";
constexpr char sensorSerialReply[] = "Serial Number = 2002\r\n";
constexpr char sensorVersionReply[] = "Version 0.90\r\n";
constexpr char sensorDateReply[] = "CALIBRATION DATE=02/20/24\r\n";
constexpr char slopeReply[] = "MC = 1.000000\r\n";
constexpr char offsetReply[] = "BC = 0.00000\r\n";
constexpr char rawModeOnReply[] = "Raw Value Mode On\r\n";
constexpr char samplingReply[] = "Sampling\r\n";
constexpr char lowSampleReply[] = "100,Counts\r\n";
constexpr char highSampleReply[] = "1100,Counts\r\n";

// A fixture that answers every identification command as the dialog expects, with a sensor
// whose firmware it accepts.
constexpr std::array identificationReplies { fixtureModelReply, timeoutReply, fixtureSerialReply,
    fixtureVersionReply, fixtureDateReply, sensorSerialReply, sensorVersionReply, sensorDateReply,
    slopeReply, offsetReply };

// Whole replies the input can pick by number: a mutation rarely spells a keyword by chance.
constexpr std::array cannedReplies { fixtureModelReply, timeoutReply, fixtureSerialReply,
    fixtureVersionReply, fixtureDateReply, sensorVersionReply, "Version 0.50\r\n", sensorDateReply,
    slopeReply, "MC = -2.5\r\n", offsetReply, rawModeOnReply, "Raw Value Mode Off\r\n",
    samplingReply, "2.9pS/m, Cond\r\n", "120pS/m, Cond\r\n", "9999pS/m, Cond\r\n", lowSampleReply,
    highSampleReply, "2147483647,Counts\r\n", "-2147483648,Counts\r\n", "Saving Complete, 0x1F\r\n",
    "OK\r\n", "\r\n", "C1\r\n", "C2\r\n", "Sampling COND, wait\r\n", "1O0,Counts\r\n", "> \r\n" };

// Raw bytes are most of what a fixture does, so three of the eight actions feed them.
enum Action : uint8_t {
    FeedBytes,
    FeedMoreBytes,
    FeedEvenMoreBytes,
    FeedCannedReply,
    Tick,
    PressConnect,
    PressValidate,
    PressCalibrate,
    actionCount
};
constexpr int maxChunk = 64;
constexpr int maxTicks = 16;
// An answer byte with this bit set lets one action happen while the box waits.
constexpr uint8_t actWhileWaiting = 0x80;

[[noreturn]] void stopOnFault(const QString &fault)
{
    std::fprintf(stderr, "==== dialogue fault: %s\n", qPrintable(fault));
    __builtin_trap();
}
}

DialogueDriver::DialogueDriver(FuzzInput &input)
    : m_input(input)
{
    m_dialog = std::make_unique<CalibrationDlg>(nullptr,
        offeredPorts(QStringList { QStringLiteral("ttyFUZZ0") },
            [this](const QString &, OpenFailure *) { return openPort(); }));
    m_technician.setDialog(m_dialog.get());
    m_answerer.setFallback([this](QWidget *modal) { answer(modal); });
}

DialogueDriver::~DialogueDriver()
{
    m_dialog.reset();
    // Message boxes delete themselves once control is back in an event loop; there is none here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void DialogueDriver::run(StartPath path)
{
    playScript(path);
    m_answerer.forgetPending();
    while (!m_input.atEnd())
        act(m_input.takeByte());
    endConnection();
}

// ---- The port

QIODevice *DialogueDriver::openPort()
{
    endConnection();
    auto *port = new MemoryDevice;
    port->open(QIODevice::ReadWrite);
    connect(port, &MemoryDevice::written, this, &DialogueDriver::onWritten);
    connect(port, &MemoryDevice::taken, this,
        [this](const QByteArray &bytes) { m_checker.heard(bytes); });
    m_port = port;
    return port;
}

void DialogueDriver::onWritten(const QByteArray &bytes)
{
    m_wire.append(bytes);
    m_checker.take(bytes);
    stopIfFaulty();
}

// Each connection is its own stream of commands.
void DialogueDriver::endConnection()
{
    m_checker.finish();
    stopIfFaulty();
    m_checker = WireChecker();
}

void DialogueDriver::stopIfFaulty() const
{
    if (m_checker.failed())
        stopOnFault(m_checker.fault());
}

// ---- The scripted start

void DialogueDriver::playScript(StartPath path)
{
    m_technician.press(connectButton);
    if (path == StartPath::Identification)
        return;
    identify();
    if (path == StartPath::Validation) {
        startRun(validateButton);
        return;
    }
    startRun(calibrateButton);
    if (path == StartPath::Saving)
        completeCalibration();
}

void DialogueDriver::identify()
{
    for (const char *reply : identificationReplies)
        feed(reply);
}

void DialogueDriver::startRun(const char *choice)
{
    m_technician.press(choice);
    m_technician.press(connectButton);
}

void DialogueDriver::completeCalibration()
{
    m_answerer.pressButton(QMessageBox::Yes, nullptr,
        BoxAnswerer::offering(QStringLiteral("Important Information"), QMessageBox::Yes));
    feed(rawModeOnReply);
    // Every reading is preceded by the sensor's word that it is sampling, and each set opens with
    // one reading that only says the sensor has settled.
    for (const char *sample : { lowSampleReply, highSampleReply }) {
        for (int reading = 0; reading <= samplesPerSet; ++reading) {
            feed(samplingReply);
            feed(sample);
        }
    }
    // The constants go out once the records hold the old ones.
    m_technician.settleRecords();
}

// ---- What the input decides

void DialogueDriver::act(uint8_t action)
{
    switch (action % actionCount) {
    case FeedBytes:
    case FeedMoreBytes:
    case FeedEvenMoreBytes:
        feed(m_input.takeBytes(m_input.takeByte() % maxChunk + 1));
        break;
    case FeedCannedReply:
        feed(cannedReplies[m_input.takeByte() % cannedReplies.size()]);
        break;
    // The tick is far too long to pass by itself: the input decides when time passes, and
    // with it the records thread's answers come.
    case Tick:
        m_technician.settleRecords();
        m_technician.tick(m_input.takeByte() % maxTicks + 1);
        break;
    case PressConnect:
        m_technician.press(connectButton);
        break;
    case PressValidate:
        m_technician.press(validateButton);
        break;
    case PressCalibrate:
        m_technician.press(calibrateButton);
        break;
    }
}

void DialogueDriver::feed(const QByteArray &bytes)
{
    if (m_port)
        m_port->feed(bytes);
}

// ---- Modal boxes

// A box the script did not foresee is the input's to answer; the scripted start then falls
// short, which the check at start-up reports.
void DialogueDriver::answer(QWidget *modal)
{
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!box) {
        // A file dialog: the report file is not the instrument dialogue's business.
        BoxAnswerer::rejectOrClose(modal);
        return;
    }
    answerFromInput(box);
}

void DialogueDriver::answerFromInput(const QPointer<QMessageBox> &box)
{
    const uint8_t choice = m_input.takeByte();
    // The fixture keeps talking and the timer keeps running while a box waits for the technician.
    if (choice & actWhileWaiting) {
        act(m_input.takeByte());
        if (!box || !box->isVisible())
            return;
    }
    // Never Save: it opens a file dialog.
    QList<QAbstractButton *> buttons;
    for (const QMessageBox::StandardButton button :
        { QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel }) {
        if (QAbstractButton *shown = box->button(button))
            buttons.append(shown);
    }
    const qsizetype pick = (choice & ~actWhileWaiting) % (buttons.size() + 1);
    if (pick < buttons.size()) {
        buttons.at(pick)->click();
        return;
    }
    // Closed by its title bar; a box without an escape button refuses that and needs a button.
    box->close();
    if (box && box->isVisible() && !buttons.isEmpty())
        buttons.first()->click();
}
