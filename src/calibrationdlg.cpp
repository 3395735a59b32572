#include "calibrationdlg.h"

#include "calibrationmath.h"
#include "protocol.h"
#include "report.h"
#include "reportprinter.h"
#include "responsetick.h"
#include "stepbounds.h"
#include "ui_calibrationdlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QTimer>
#include <array>

namespace {
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

bool isIdentification(int state)
{
    return state >= fixtureModel && state <= sensorOffset;
}

bool isMeasurement(int state)
{
    return state >= settleNotice && state <= lastCalibration;
}

bool awaitsNotice(int state)
{
    return isMeasurement(state) && state % 2 == 0;
}

bool isValidation(int state)
{
    return state >= settleNotice && state <= lastValidation;
}

bool isSaveStep(int state)
{
    return state >= saveSlope && state <= saveConfirmation;
}
}

// Far above any real reply; a line that grows past it is noise, not a reply.
constexpr qsizetype maxReplyBytes = 4096;

// A counted calibration sample that cannot be read is asked for again, twice at most.
constexpr int sampleAttempts = 3;

// What each identification state waits for, and what it asks again when a complete reply does
// not carry it: always the command whose reply the state awaits. The two date states take a
// date from either device and have their own handler.
struct IdentificationStep
{
    const char *awaited;
    const char *resendCommand;
};

constexpr std::array<IdentificationStep, State::sensorOffset + 1> identificationSteps { {
    { Reply::fixtureModel, Command::resetUpper }, // fixtureModel
    { Reply::timeout, Command::timeoutLower }, // fixtureTimeout
    { Reply::serialNumber, Command::fixtureSerial }, // fixtureSerial
    { Reply::version, Command::fixtureVersion }, // fixtureVersion
    { nullptr, nullptr }, // fixtureCalDate
    { Reply::serialNumber, Command::sensorSerial }, // sensorSerial
    { Reply::version, Command::sensorVersion }, // sensorVersion
    { nullptr, nullptr }, // sensorCalDate
    { Reply::slope, Command::slope }, // sensorSlope
    { Reply::offset, Command::offset }, // sensorOffset
} };

// The command a state sends again when a complete reply is not the one it awaits; nullptr
// where the state just waits for more.
const char *resendCommandFor(int state)
{
    if (State::isIdentification(state))
        return identificationSteps[static_cast<size_t>(state)].resendCommand;
    if (state == State::rawModeOn || state == State::rawModeOff)
        return Command::rawModeToggle;
    return nullptr;
}
}

CalibrationDlg::CalibrationDlg(QWidget *parent, const PortAccess &ports)
    : QDialog(parent)
    , m_state(State::idle)
    , ui(new Ui::CalibrationDlg)
    , m_ports(ports)
    , m_history(HistoryLog::defaultFilePath())
{
    ui->setupUi(this);
    ui->calibrationDlg_Print->hide();
    ui->calibrationPB_Connect->setFocus();

    m_respTimer = new QTimer(this);
    connect(m_respTimer, &QTimer::timeout, this, &CalibrationDlg::updateTimer);

    m_greenPalette.setBrush(QPalette::All, QPalette::Base, QBrush(Qt::green, Qt::SolidPattern));
    m_redPalette.setBrush(QPalette::All, QPalette::Base, QBrush(Qt::red, Qt::SolidPattern));
    m_whitePalette.setBrush(QPalette::All, QPalette::Base, QBrush(Qt::white, Qt::SolidPattern));
    // On a dark desktop the text colour is light; on these backgrounds only dark text reads.
    for (QPalette *palette : { &m_greenPalette, &m_redPalette, &m_whitePalette })
        palette->setBrush(QPalette::All, QPalette::Text, QBrush(Qt::black, Qt::SolidPattern));

    connect(&m_history, &HistoryLog::writeFailed, this, &CalibrationDlg::warnHistoryNotWritten);

    setStatus(tr("User must select correct port from dropdown box and press connect."));
    fillPortList();
}

CalibrationDlg::~CalibrationDlg()
{
    // Closing the window by its title bar or Escape skips Close: the port, the timer and the
    // cursor must still be given back.
    setBusy(false);
    if (m_port)
        m_port->disconnect(this);
    delete ui;
}

void CalibrationDlg::fillPortList()
{
    ui->Calibrate_RB->hide();
    ui->Validate_RB->hide();
    ui->line_1->hide();
    hideValues();
    offerFtdiPorts();
}

// The FTDI ports the system lists now, with the technician's choice kept where its port is
// still there.
QStringList CalibrationDlg::offerFtdiPorts()
{
    QComboBox *ports = ui->calibrationDlgCB_comport;
    const QString chosen = ports->currentText();
    const QStringList names = ftdiPortNames(m_ports.listPorts());
    ports->clear();
    ports->addItems(names);
    if (names.contains(chosen))
        ports->setCurrentText(chosen);
    return names;
}

// A fixture plugged back in may come back under another port name: the ports are listed
// afresh and the status bar says which port to choose.
void CalibrationDlg::findFixtureAgain()
{
    const QStringList names = offerFtdiPorts();
    if (names.isEmpty())
        setStatus(tr("No port of a KR-5M-LD-CV-LNK found. Plug the fixture in, then press "
                     "Connect."));
    else
        setStatus(tr("Choose the KR-5M-LD-CV-LNK's port, %1, and press Connect.")
                      .arg(names.join(tr(" or "))));
}

bool CalibrationDlg::chosenPortIsGone() const
{
    const QString chosen = ui->calibrationDlgCB_comport->currentText();
    return !chosen.isEmpty() && !ftdiPortNames(m_ports.listPorts()).contains(chosen);
}

// ---- Views of the values area

void CalibrationDlg::hideValues()
{
    const QList<QWidget *> values { ui->label_2, ui->label_5, ui->label_7, ui->calLE_NewCoff,
        ui->calLE_NewCslp, ui->calLE_Step1, ui->calLE_Step2, ui->calLE_Step3, ui->calLE_Step4,
        ui->calLE_Step5, ui->label_8, ui->label_9, ui->label_10, ui->label_12, ui->label_13,
        ui->label_15, ui->label_16, ui->label_17, ui->label_18, ui->label_19, ui->label_20,
        ui->label_21, ui->label_3 };
    for (QWidget *widget : values)
        widget->hide();
}

void CalibrationDlg::showValidationValues()
{
    hideValues();
    for (int step = 1; step <= validationStepCount; ++step) {
        QLineEdit *field = stepField(step);
        field->setPalette(m_whitePalette);
        field->clear();
        field->show();
    }
    const QList<QWidget *> captions { ui->label_8, ui->label_9, ui->label_10, ui->label_12,
        ui->label_13, ui->label_15, ui->label_16, ui->label_17, ui->label_18, ui->label_19,
        ui->label_20, ui->label_21 };
    for (QWidget *caption : captions)
        caption->show();
    ui->label_3->setText(QStringLiteral("VALIDATION VALUES"));
    ui->label_3->show();
}

void CalibrationDlg::showCalibrationValues()
{
    hideValues();
    for (int step = 1; step <= validationStepCount; ++step) {
        QLineEdit *field = stepField(step);
        field->setPalette(m_whitePalette);
        field->clear();
    }
    ui->calLE_Step1->show();
    ui->label_8->show();
    ui->calLE_Step2->show();
    ui->label_9->show();
    ui->label_3->setText(QStringLiteral("CALIBRATION VALUES"));
    ui->label_3->show();
    showNewConstants();
}

void CalibrationDlg::showNewConstants()
{
    for (QWidget *widget : { static_cast<QWidget *>(ui->label_2),
             static_cast<QWidget *>(ui->label_5), static_cast<QWidget *>(ui->label_7),
             static_cast<QWidget *>(ui->calLE_NewCoff), static_cast<QWidget *>(ui->calLE_NewCslp) })
        widget->show();
}

void CalibrationDlg::on_Validate_RB_clicked()
{
    showValidationValues();
}

void CalibrationDlg::on_Calibrate_RB_clicked()
{
    showCalibrationValues();
}

QLineEdit *CalibrationDlg::stepField(int step) const
{
    const std::array<QLineEdit *, validationStepCount> fields { ui->calLE_Step1, ui->calLE_Step2,
        ui->calLE_Step3, ui->calLE_Step4, ui->calLE_Step5 };
    return fields[static_cast<size_t>(step - 1)];
}

// ---- Connection

void CalibrationDlg::on_calibrationDlgCB_comport_activated(int)
{
    m_portName = ui->calibrationDlgCB_comport->currentText();
    qDebug() << m_portName;
}

void CalibrationDlg::on_calibrationPB_Connect_clicked()
{
    if (ui->calibrationPB_Connect->text() == tr("Connect"))
        connectToFixture();
    else
        startRun();
}

void CalibrationDlg::connectToFixture()
{
    qDebug() << "you hit the Connect Button";
    if (chosenPortIsGone()) {
        findFixtureAgain();
        return;
    }
    // A second press while identifying starts again on a fresh port; the first must not stay
    // open and connected behind it.
    releasePort();
    m_rxBuffer.clear();
    m_portName = ui->calibrationDlgCB_comport->currentText();
    qDebug() << m_portName;
    setBusy(true);

    QString error;
    m_port = m_ports.openPort(m_portName, &error);
    if (!m_port) {
        qDebug() << "device failed to open:" << error;
        setBusy(false);
        setStatus(tr("device failed to open"));
        return;
    }
    m_port->setParent(this);
    connect(m_port, &QIODevice::readyRead, this, &CalibrationDlg::onReadyRead);
    if (auto *serial = qobject_cast<QSerialPort *>(m_port))
        connect(serial, &QSerialPort::errorOccurred, this, &CalibrationDlg::onPortError);
    qDebug() << "listening for data on" << m_portName;

    setStatus(tr("Initializing sensor"));
    m_waitCount = replyTicks;
    startResponseTimer();
    m_state = State::fixtureModel;
    writeCommand(Command::resetLower);
}

void CalibrationDlg::startRun()
{
    setBusy(true);
    ui->Calibrate_RB->setEnabled(false);
    ui->Validate_RB->setEnabled(false);
    m_rxBuffer.clear();
    m_waitCount = replyTicks;
    startResponseTimer();
    if (ui->Validate_RB->isChecked()) {
        m_state = State::rawModeOff;
    } else {
        m_lowRaw = 0;
        m_highRaw = 0;
        m_state = State::rawModeOn;
    }
    writeCommand(Command::rawModeToggle);
    ui->calibrationPB_Connect->setEnabled(false);
}

void CalibrationDlg::on_CalibrationPB_Close_clicked()
{
    setBusy(false);
    releasePort();
    ui->Calibrate_RB->setEnabled(true);
    ui->Validate_RB->setEnabled(true);
    reject();
}

void CalibrationDlg::releasePort()
{
    // Nothing may reach the port once it is released: no tick, no save step, no reply handler.
    m_respTimer->stop();
    m_saving = false;
    if (!m_port)
        return;
    m_port->disconnect(this);
    if (m_port->isOpen())
        m_port->close();
    // The release can happen inside the port's own signal (a reply that ends the dialog).
    m_port->deleteLater();
    m_port = nullptr;
    qDebug() << "Disconnect port";
}

void CalibrationDlg::onPortError(QSerialPort::SerialPortError error)
{
    // Opening reports NoError, and a pseudo-terminal refuses DTR/RTS; neither is a fault.
    if (error == QSerialPort::NoError || error == QSerialPort::UnsupportedOperationError)
        return;
    if (!m_port || !m_port->isOpen())
        return;
    qDebug() << "port error:" << error << m_port->errorString();
    // After a hang-up the port keeps reporting a stale error as fast as the event loop turns;
    // closing it at once stops that. The user is told once this slot has returned.
    m_port->close();
    QMetaObject::invokeMethod(this, &CalibrationDlg::fixtureLost, Qt::QueuedConnection);
}

bool CalibrationDlg::portVanished() const
{
#ifdef Q_OS_UNIX
    if (!qobject_cast<QSerialPort *>(m_port))
        return false;
    const QString node = m_portName.startsWith(QLatin1Char('/'))
        ? m_portName
        : QStringLiteral("/dev/") + m_portName;
    return !QFileInfo::exists(node);
#else
    return false;
#endif
}

void CalibrationDlg::fixtureLost()
{
    if (!m_port)
        return;
    const bool wasSaving = State::isSaveStep(m_state);
    if (wasSaving)
        recordHistory(HistoryEvent::SaveNotConfirmed);
    releasePort();
    setBusy(false);
    m_state = State::idle;
    ui->calibrationPB_Connect->setText(tr("Connect"));
    ui->calibrationPB_Connect->setEnabled(true);
    ui->Calibrate_RB->hide();
    ui->Validate_RB->hide();
    ui->line_1->hide();
    ui->Calibrate_RB->setEnabled(true);
    ui->Validate_RB->setEnabled(true);
    setStatus(tr("Fixture disconnected. Reconnect it, choose its port and press Connect."));

    QString text = tr("The connection to the KR-5M-LD-CV-LNK was lost. Check the USB cable at "
                      "the computer and at the fixture, then choose the fixture's port and "
                      "press Connect to identify the sensor again.");
    if (wasSaving)
        text += QLatin1Char('\n')
            + tr("The new constants may not have been stored in the KR-5M-LD: run a "
                 "Validation after reconnecting.");
    runMessageBox(QMessageBox::Warning, tr("Fixture disconnected"), text, QMessageBox::Ok);
    findFixtureAgain();
}

// ---- The instrument dialogue

void CalibrationDlg::writeCommand(const QByteArray &command)
{
    if (!m_port || !m_port->isOpen())
        return;
    m_port->write(command);
    // Out on the line now, not after the dialog has repainted: the fixture is waiting.
    if (auto *serial = qobject_cast<QSerialPort *>(m_port))
        serial->flush();
}

void CalibrationDlg::startResponseTimer()
{
    m_respTimer->start(responseTick());
}

void CalibrationDlg::StopTimer()
{
    m_respTimer->stop();
    qDebug() << "End of StopTimer method";
}

void CalibrationDlg::resend(const char *command)
{
    StopTimer();
    setStatus(tr("Resend command"));
    m_waitCount = replyTicks;
    startResponseTimer();
    m_rxBuffer.clear();
    writeCommand(command);
}

void CalibrationDlg::advance(int state, const char *command)
{
    m_rxBuffer.clear();
    m_state = state;
    m_waitCount = replyTicks;
    writeCommand(command);
    startResponseTimer();
}

void CalibrationDlg::requestMeasurement(int noticeState, const QByteArray &command)
{
    m_waitCount = measurementTicks;
    m_rxBuffer.clear();
    startResponseTimer();
    m_state = noticeState;
    m_measurementCommand = command;
    writeCommand(command);
}

void CalibrationDlg::updateTimer()
{
    if (portVanished()) {
        fixtureLost();
        return;
    }
    if (m_waitCount != 0) {
        --m_waitCount;
        return;
    }
    setBusy(false);
    StopTimer();
    if (!m_saving)
        return;
    m_saving = false;
    if (m_state == State::saveConfirmation) {
        saveNotConfirmed();
        return;
    }
    ++m_state;
    sendParameters(m_state);
    qDebug() << "SAVE" << m_state;
}

void CalibrationDlg::onReadyRead()
{
    if (!m_port || m_port->bytesAvailable() == 0)
        return;
    // Between runs the fixture's bytes wait in the port; they are read with the next reply.
    if (!m_respTimer->isActive())
        return;
    m_rxBuffer.append(m_port->readAll());
    if (m_rxBuffer.size() > maxReplyBytes) {
        dropOversizedReply();
        return;
    }
    if (!m_rxBuffer.contains(Reply::lineEnd))
        return;
    dispatchReply();
}

void CalibrationDlg::dropOversizedReply()
{
    qDebug() << "dropping" << m_rxBuffer.size() << "bytes without a reply";
    m_rxBuffer.clear();
    if (const char *command = resendCommandFor(m_state))
        resend(command);
}

void CalibrationDlg::dispatchReply()
{
    if (State::isIdentification(m_state))
        handleIdentification();
    else if (m_state == State::rawModeOn || m_state == State::rawModeOff)
        handleRawMode();
    else if (State::isMeasurement(m_state))
        handleMeasurement();
    else if (m_state == State::saveConfirmation)
        handleSaveConfirmation();
}

void CalibrationDlg::handleIdentification()
{
    if (m_state == State::fixtureCalDate || m_state == State::sensorCalDate) {
        handleCalibrationDate();
        return;
    }
    const IdentificationStep &step = identificationSteps[static_cast<size_t>(m_state)];
    if (!m_rxBuffer.contains(step.awaited)) {
        resend(step.resendCommand);
        return;
    }
    StopTimer();
    switch (m_state) {
    case State::fixtureModel:
        setStatus(tr("Found Validation Device"));
        ui->calLE_Type->setText(QString::fromLatin1(Reply::fixtureModel));
        advance(State::fixtureTimeout, Command::timeoutUpper);
        break;
    case State::fixtureTimeout:
        setStatus(tr("KR-5M-LD - has 30 minute timeout"));
        advance(State::fixtureSerial, Command::fixtureSerial);
        break;
    case State::fixtureSerial:
        ui->calLE_SN->setText(valueAfterEquals(m_rxBuffer));
        setStatus(tr("KR-5M-LD-CV-LNK - found serial number"));
        advance(State::fixtureVersion, Command::fixtureVersion);
        break;
    case State::fixtureVersion:
        setStatus(tr("KR-5M-LD-CV-LNK Version obtained"));
        ui->calLE_Version->setText(versionText(m_rxBuffer));
        ui->calLE_TARNEL->setText(QString::fromLatin1(Reply::sensorModel));
        advance(State::fixtureCalDate, Command::fixtureCalDate);
        break;
    case State::sensorSerial:
        ui->calLE_TARNEL_SN->setText(valueAfterEquals(m_rxBuffer));
        setStatus(tr("KR-5M-LD - found serial number"));
        advance(State::sensorVersion, Command::sensorVersion);
        break;
    case State::sensorVersion:
        setStatus(tr("KR-5M-LD-CV-LNK Version obtained"));
        ui->calLE_TARNEL_VER->setText(versionText(m_rxBuffer));
        checkFirmware();
        break;
    case State::sensorSlope:
        setStatus(tr("Slope Acquired"));
        ui->calLE_OldCslp->setText(slopeText(m_rxBuffer));
        advance(State::sensorOffset, Command::offset);
        break;
    case State::sensorOffset:
        finishIdentification();
        break;
    }
}

// Both devices answer with a calibration date; the form of the reply, not the state, tells
// which one it came from. A line without either stays, so the line that completes it is read
// together with it.
void CalibrationDlg::handleCalibrationDate()
{
    if (m_rxBuffer.contains(Reply::fixtureCalDate)) {
        StopTimer();
        ui->calLE_CALDATE->setText(valueAfterEquals(m_rxBuffer));
        setStatus(tr("KR-5M-LD-CV-LNK - found Calibration Date"));
        advance(State::sensorSerial, Command::sensorSerial);
    } else if (m_rxBuffer.contains(Reply::sensorCalDate)) {
        StopTimer();
        ui->calLE_TARNEL_CAL->setText(valueAfterEquals(m_rxBuffer));
        setStatus(tr("KR-5M-LD - found Calibration Date"));
        advance(State::sensorSlope, Command::slope);
    } else {
        startResponseTimer();
    }
}

void CalibrationDlg::checkFirmware()
{
    if (firmwareValue(ui->calLE_TARNEL_VER->text()) >= minimumFirmware) {
        advance(State::sensorCalDate, Command::sensorCalDate);
        return;
    }
    setBusy(false);
    m_state = State::idle;
    runMessageBox(QMessageBox::Information, tr("Error: cannot continue"),
        tr("The Unit Under Test has non-compatible firmware installed. Please contact factory "
           "for resolution."),
        QMessageBox::Ok);
    on_CalibrationPB_Close_clicked();
}

void CalibrationDlg::finishIdentification()
{
    setStatus(tr("Choose Validation or Calibration button, then Continue"));
    ui->calLE_OldCoff->setText(valueAfterEquals(m_rxBuffer));
    m_rxBuffer.clear();
    ui->Calibrate_RB->show();
    ui->Validate_RB->show();
    ui->line_1->show();
    ui->calibrationPB_Connect->setText(tr("Continue"));
    showValidationValues();
    setBusy(false);
    recordHistory(HistoryEvent::Identified);
}

void CalibrationDlg::handleRawMode()
{
    const bool wantOn = m_state == State::rawModeOn;
    if (!m_rxBuffer.contains(wantOn ? Reply::rawModeOn : Reply::rawModeOff)) {
        // The command toggles the mode, so asking again reaches the wanted one.
        resend(Command::rawModeToggle);
        return;
    }
    StopTimer();
    if (wantOn) {
        setStatus(tr("Raw Mode is now ON - Calibration Process initializing"));
        m_unreadableSamples = 0;
        requestMeasurement(State::lowSettleNotice, Command::lowRawReading());
    } else {
        setStatus(tr("Raw Mode is now OFF - Validation Process initializing"));
        requestMeasurement(State::settleNotice, Command::validationReading(1));
    }
}

// The buffer holds every byte since the measurement command. Nothing is dropped once the notice
// has come: what followed it in the same read may be the reading, or its first part.
void CalibrationDlg::handleMeasurement()
{
    const MeasurementReply reply = readMeasurementReply(m_rxBuffer, m_measurementCommand);
    if (State::awaitsNotice(m_state)) {
        if (!reply.noticeArrived)
            return;
        m_state = State::readingAfter(m_state);
    }
    if (!reply.readingLine)
        return;
    StopTimer();
    if (State::isValidation(m_state))
        handleValidationReading(*reply.readingLine);
    else
        handleCalibrationSample(*reply.readingLine);
}

void CalibrationDlg::handleValidationReading(const QByteArray &readingLine)
{
    // Step 1 is measured twice: the first reading lets the sensor settle on the reference.
    if (m_state == State::settleReading) {
        setStatus(tr("Sampling Step, please wait"));
        requestMeasurement(State::stepNotice(1), Command::validationReading(1));
        return;
    }
    const int step = (m_state - State::settleReading) / 2;
    QLineEdit *field = stepField(step);
    const QString reading = readingText(readingLine);
    if (m_state != State::lastValidation) {
        setStatus(tr("Acquired Step %1, continuing to sample").arg(step));
        field->setText(reading);
        setBackgroundColors(field, step);
        requestMeasurement(State::stepNotice(step + 1), Command::validationReading(step + 1));
        return;
    }
    setBusy(false);
    field->setText(reading);
    setBackgroundColors(field, step);
    setStatus(tr("Validation Complete"));
    recordHistory(m_stepFailed ? HistoryEvent::ValidationFailed : HistoryEvent::ValidationPassed);
    askAfterValidation();
}

void CalibrationDlg::setBackgroundColors(QLineEdit *field, int step)
{
    qDebug() << "Setting background Colors";
    if (stepPasses(step, field->text())) {
        field->setPalette(m_greenPalette);
    } else {
        field->setPalette(m_redPalette);
        m_stepFailed = true;
    }
}

void CalibrationDlg::askAfterValidation()
{
    const bool failed = m_stepFailed;
    m_stepFailed = false;
    const QString title = tr("User Input Necessary");
    if (failed) {
        const int answer = runMessageBox(QMessageBox::Information, title,
            tr("Validation has failed at least one step. Go to Calibration"),
            QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes && m_port)
            startCalibrationAfterFailedValidation();
        else
            enableNextRun();
        return;
    }
    const int answer = runMessageBox(QMessageBox::Information, title,
        tr("In order to print a hard copy, saving is necessary. Do you want to save this to a "
           "file"),
        QMessageBox::Save | QMessageBox::Cancel);
    if (answer == QMessageBox::Save)
        saveReport();
    else
        enableNextRun();
}

void CalibrationDlg::startCalibrationAfterFailedValidation()
{
    setBusy(true);
    showCalibrationValues();
    setStatus(tr("Calibration Starting"));
    ui->Calibrate_RB->setChecked(true);
    m_state = State::rawModeOn;
    m_waitCount = replyTicks;
    startResponseTimer();
    m_rxBuffer.clear();
    writeCommand(Command::rawModeToggleUpper);
}

void CalibrationDlg::handleCalibrationSample(const QByteArray &readingLine)
{
    const bool low = m_state < State::highSettleNotice;
    const int settleNotice = low ? State::lowSettleNotice : State::highSettleNotice;
    const int settleReading = low ? State::lowSettleReading : State::highSettleReading;
    const QByteArray command = low ? Command::lowRawReading() : Command::highRawReading();
    qint64 &sum = low ? m_lowRaw : m_highRaw;

    if (m_state == settleReading) {
        setStatus(tr("Sampling Step, please wait"));
        sum = 0;
        setStatus(low ? tr("Now acquiring low data") : tr("Now acquiring high data"));
        requestMeasurement(State::sampleNotice(settleNotice, 1), command);
        return;
    }

    const int sampleNumber = (m_state - settleReading) / 2;
    const std::optional<int> sample = sampleValue(readingLine);
    if (!sample) {
        askForSampleAgain(sampleNumber);
        return;
    }
    m_unreadableSamples = 0;
    sum += *sample;
    if (sampleNumber < samplesPerSet) {
        setStatus(low ? tr("Acquired Low Sample %1 of 5, continuing to sample").arg(sampleNumber)
                      : tr("Acquired High Sample %1 of 5, continuing to sample").arg(sampleNumber));
        if (low)
            ui->calLE_Step1->setText(sampleText(readingLine));
        ui->calLE_Step2->setText(QString::number(sum));
        requestMeasurement(State::sampleNotice(settleNotice, sampleNumber + 1), command);
        return;
    }

    sum = sampleAverage(sum);
    if (low) {
        ui->calLE_Step1->setText(QString::number(sum));
        ui->calLE_Step2->clear();
        setStatus(tr("Calibration Low Complete"));
        requestMeasurement(State::highSettleNotice, Command::highRawReading());
        return;
    }
    setBusy(false);
    ui->calLE_Step2->setText(QString::number(sum));
    setStatus(tr("Calibration High Complete"));
    computeConstants();
    recordHistory(HistoryEvent::CalibrationComputed);
    askToStoreConstants();
}

// A sample that is not a whole number was garbled on its way: counting it as anything would
// put a wrong number into the constants.
void CalibrationDlg::askForSampleAgain(int sampleNumber)
{
    if (++m_unreadableSamples < sampleAttempts) {
        setStatus(tr("Sample %1 could not be read, asking the sensor again").arg(sampleNumber));
        requestMeasurement(State::noticeBefore(m_state), m_measurementCommand);
        return;
    }
    setBusy(false);
    m_state = State::idle;
    recordHistory(HistoryEvent::CalibrationFailed);
    runMessageBox(QMessageBox::Warning, tr("Calibration failed"),
        tr("The KR-5M-LD's raw reading could not be read %1 times in a row, so no calibration "
           "constants were computed and nothing was written to the sensor. Check the USB cable "
           "and that the KR-5M-LD sits correctly in the fixture, then run the Calibration again.")
            .arg(sampleAttempts),
        QMessageBox::Ok);
    endCalibrationWithoutStoring();
}

void CalibrationDlg::computeConstants()
{
    const CalibrationConstants constants = computeCalibrationConstants(m_lowRaw, m_highRaw);
    m_slope = constants.slope;
    m_offset = constants.offset;
    // Constants the sensor cannot use are never shown, so they can never be sent.
    ui->calLE_NewCslp->setText(constants.canBeStored() ? slopeDisplayText(m_slope) : QString());
    ui->calLE_NewCoff->setText(constants.canBeStored() ? offsetDisplayText(m_offset) : QString());
}

void CalibrationDlg::askToStoreConstants()
{
    if (!CalibrationConstants { m_slope, m_offset }.canBeStored()) {
        runMessageBox(QMessageBox::Warning, tr("Calibration failed"),
            tr("No usable calibration constants can be computed from the low and the high "
               "readings: they are equal, or impossibly far apart. Nothing was written to the "
               "sensor. Check that the KR-5M-LD sits "
               "correctly in the fixture and run the Calibration again."),
            QMessageBox::Ok);
    } else {
        const int answer = runMessageBox(QMessageBox::Information, tr("Important Information"),
            tr("The Calibration Sequence has completed. User should select YES to store new "
               "constants and start new Validation Process or select NO to invalidate the "
               "Calibration just undertaken."),
            QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes && m_port) {
            startSaveSequence();
            return;
        }
    }
    endCalibrationWithoutStoring();
}

void CalibrationDlg::endCalibrationWithoutStoring()
{
    setStatus(tr("Choose Calibration or Validation, then Continue"));
    enableNextRun();
    hideValues();
}

// ---- Storing the new constants

void CalibrationDlg::startSaveSequence()
{
    // On record before the sensor's old constants are overwritten, whatever happens next.
    recordHistory(HistoryEvent::ConstantsSent);
    setBusy(true);
    m_rxBuffer.clear();
    m_waitCount = replyTicks;
    startResponseTimer();
    m_state = State::saveSlope;
    sendParameters(State::saveSlope);
}

void CalibrationDlg::sendParameters(int step)
{
    // The sensor's own date command wants its text closed by a CR of its own.
    const QByteArray date
        = QDate::currentDate().toString(QStringLiteral("MM/dd/yy")).toLatin1() + '\r';
    setBusy(true);
    m_saving = true;

    QByteArray command;
    switch (step) {
    case State::saveSlope:
        command = Command::setSlope + ui->calLE_NewCslp->text().toLatin1() + '\r';
        setStatus(tr("Saving MC, please wait..."));
        qDebug() << "Sent mc: " << command;
        break;
    case State::saveOffset:
        command = Command::setOffset + ui->calLE_NewCoff->text().toLatin1() + '\r';
        setStatus(tr("Saving BC, please wait..."));
        qDebug() << "Sent bc: " << command;
        break;
    case State::saveDate:
        command = Command::setCalDate + date + '\r';
        setStatus(tr("Saving Calibration Date, please wait..."));
        qDebug() << "Sent ic: " << command;
        break;
    case State::saveConfirmation:
        command = Command::saveConstants;
        qDebug() << "Sent save";
        break;
    }
    m_waitCount = replyTicks;
    startResponseTimer();
    writeCommand(command);
}

void CalibrationDlg::handleSaveConfirmation()
{
    if (!m_rxBuffer.contains(Reply::saveComplete))
        return;
    StopTimer();
    m_saving = false;
    recordHistory(HistoryEvent::SaveConfirmed);
    setStatus(tr("Saving complete"));
    showValidationValues();
    showNewConstants();
    m_waitCount = replyTicks;
    m_state = State::rawModeOff;
    startResponseTimer();
    m_rxBuffer.clear();
    writeCommand(Command::rawModeToggle);
}

void CalibrationDlg::saveNotConfirmed()
{
    m_state = State::idle;
    recordHistory(HistoryEvent::SaveNotConfirmed);
    setStatus(tr("The sensor did not confirm saving the new constants"));
    runMessageBox(QMessageBox::Warning, tr("Saving not confirmed"),
        tr("The KR-5M-LD did not confirm that it stored the new calibration constants, so they "
           "may not be in the sensor. Run a Validation to check the sensor, or a Calibration to "
           "try again."),
        QMessageBox::Ok);
    enableNextRun();
}

// ---- Report and printing

void CalibrationDlg::saveReport()
{
    const QDate today = QDate::currentDate();
    // Reports belong with the technician's documents, even on a fresh account without the folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QDir().mkpath(documents);
    const QString suggestion = QDir(documents).filePath(
        suggestedReportName(ui->calLE_TARNEL_SN->text(), today, ui->Calibrate_RB->isChecked()));
    const QString fileName
        = QFileDialog::getSaveFileName(this, tr("SaveFile"), suggestion, tr("Text files (*.txt)"));
    if (fileName.isEmpty()) {
        // Changing one's mind is not a failure: the results stay on screen for another go.
        enableNextRun();
        return;
    }
    qDebug() << QLocale::system().toString(today, QStringLiteral("dd-MMM-yyyy"));
    const ReportFields fields { ui->calLE_Type->text(), ui->calLE_SN->text(),
        ui->calLE_Version->text(), ui->calLE_CALDATE->text(), ui->calLE_TARNEL->text(),
        ui->calLE_TARNEL_SN->text(), ui->calLE_TARNEL_VER->text(), ui->calLE_TARNEL_CAL->text(),
        ui->calLE_OldCslp->text(), ui->calLE_OldCoff->text(), ui->calLE_NewCslp->text(),
        ui->calLE_NewCoff->text(),
        { ui->calLE_Step1->text(), ui->calLE_Step2->text(), ui->calLE_Step3->text(),
            ui->calLE_Step4->text(), ui->calLE_Step5->text() } };
    const QByteArray report
        = reportText(fields, ui->Calibrate_RB->isChecked(), ui->Validate_RB->isChecked(), today);

    QString error;
    if (!writeReportFile(fileName, report, &error)) {
        showFileWarning(
            tr("Error Saving"), tr("Cannot write to file %1:\n%2.").arg(fileName, error));
        enableNextRun();
        return;
    }
    recordHistory(HistoryEvent::ReportWritten, fileName);
    setStatus(tr("File Written - Use Print Button for hard copy"));
    qDebug() << "about to show the button";
    ui->calibrationDlg_Print->show();
}

void CalibrationDlg::on_calibrationDlg_Print_clicked()
{
    QPrinter printer(QPrinter::ScreenResolution);
    QPrintDialog printDialog(&printer);
    if (printDialog.exec() == QDialog::Accepted) {
        qDebug() << "we have a printer device";
        QPainter painter;
        if (!painter.begin(&printer)) {
            showFileWarning(tr("Printing failed"),
                tr("The page could not be printed: the printer could not be started."));
        } else {
            const QString fileName = QFileDialog::getOpenFileName(
                this, tr("Print File"), QString(), tr("Text files (*.txt)"));
            QFile file(fileName);
            if (file.open(QIODevice::ReadOnly)) {
                qDebug() << "File Opened";
                drawPrintout(painter, printer, printableLines(file.readAll()));
            } else {
                showFileWarning(tr("Error Reading"),
                    tr("Cannot read from file %1:\n%2.").arg(fileName, file.errorString()));
            }
            painter.end();
        }
    }
    enableNextRun();
}

// ---- Small shared pieces

void CalibrationDlg::enableNextRun()
{
    ui->calibrationPB_Connect->setEnabled(true);
    ui->Calibrate_RB->setEnabled(true);
    ui->Validate_RB->setEnabled(true);
}

void CalibrationDlg::setStatus(const QString &text)
{
    ui->calDlg_statusbar->setText(text);
}

void CalibrationDlg::setBusy(bool busy)
{
    // One level of the application's cursor stack at most, so however a run ends the stack is
    // left as the dialog found it.
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// Every box the dialog shows: plain text, since fixture replies and file names end up in them,
// and gone from memory once closed.
QMessageBox *CalibrationDlg::newMessageBox(QMessageBox::Icon icon, const QString &title,
    const QString &text, QMessageBox::StandardButtons buttons, QWidget *parent)
{
    auto *box = new QMessageBox(icon, title, text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    return box;
}

int CalibrationDlg::runMessageBox(QMessageBox::Icon icon, const QString &title, const QString &text,
    QMessageBox::StandardButtons buttons)
{
    m_msgBox = newMessageBox(icon, title, text, buttons);
    const int answer = m_msgBox->exec();
    m_msgBox = nullptr;
    return answer;
}

void CalibrationDlg::showFileWarning(const QString &title, const QString &text)
{
    newMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this)->exec();
}

void CalibrationDlg::recordHistory(HistoryEvent event, const QString &reportFile)
{
    const HistoryIdentity identity { ui->calLE_Type->text(), ui->calLE_SN->text(),
        ui->calLE_Version->text(), ui->calLE_TARNEL_SN->text(), ui->calLE_TARNEL_VER->text() };
    HistoryDetails details;
    for (int step = 1; step <= validationStepCount; ++step)
        details.steps[static_cast<size_t>(step - 1)] = stepField(step)->text();
    details.lowAverage = QString::number(m_lowRaw);
    details.highAverage = QString::number(m_highRaw);
    details.oldMc = ui->calLE_OldCslp->text();
    details.oldBc = ui->calLE_OldCoff->text();
    details.newMc = ui->calLE_NewCslp->text();
    details.newBc = ui->calLE_NewCoff->text();
    details.reportFile = reportFile;

    m_history.append(identity, event, details, QDateTime::currentDateTime());
}

void CalibrationDlg::warnHistoryNotWritten(const QString &error)
{
    if (m_historyWarned)
        return;
    // Told once, without holding up the run: the fixture keeps its pace while the box is up.
    m_historyWarned = true;
    QMessageBox *box = newMessageBox(QMessageBox::Warning, tr("Calibration history"),
        error + QLatin1Char('\n')
            + tr("The run goes on, but its events are not recorded in the history."),
        QMessageBox::Ok);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}
