// Finding the fixture's port, connecting to it, starting a run, and letting the port go.

#include "calibrationdlg.h"
#include "logging.h"
#include "responsetick.h"
#include "runevents.h"
#include "states.h"

#include <QComboBox>
#include <QFileInfo>
#include <QTimer>

void CalibrationDlg::fillPortList()
{
    ui->Calibrate_RB->hide();
    ui->Validate_RB->hide();
    ui->line_1->hide();
    hideValues();
    if (offerFtdiPorts().isEmpty())
        sayNoFixtureFound();
}

// The drop-down is about to open: a fixture plugged in since the list was read is offered too.
void CalibrationDlg::refreshPortList()
{
    const QStringList names = offerFtdiPorts();
    if (names.isEmpty())
        sayNoFixtureFound();
    else if (ui->calDlg_statusbar->offersWhy())
        setStatus(tr("User must select correct port from dropdown box and press connect."));
}

void CalibrationDlg::sayNoFixtureFound()
{
    setStatus(tr("No port of a KR-5M-LD-CV-LNK found. Plug the fixture in, then press Connect."));
    ui->calDlg_statusbar->offerWhy();
}

void CalibrationDlg::explainNoFixture()
{
    runMessageBox(QMessageBox::Information, tr("No KR-5M-LD-CV-LNK found"),
        noFixtureText(usbFacts()), QMessageBox::Ok);
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
        sayNoFixtureFound();
    else
        setStatus(tr("Choose the KR-5M-LD-CV-LNK's port, %1, and press Connect.")
                      .arg(names.join(tr(" or "))));
}

bool CalibrationDlg::chosenPortIsGone() const
{
    const QString chosen = ui->calibrationDlgCB_comport->currentText();
    return !chosen.isEmpty() && !ftdiPortNames(m_ports.listPorts()).contains(chosen);
}

void CalibrationDlg::on_calibrationDlgCB_comport_activated(int)
{
    m_portName = ui->calibrationDlgCB_comport->currentText();
    qCDebug(lcPort) << m_portName;
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
    qCDebug(lcPort) << "you hit the Connect Button";
    if (chosenPortIsGone()) {
        findFixtureAgain();
        return;
    }
    // A second press while identifying starts again on a fresh port; the first must not stay
    // open and connected behind it.
    endRun(QStringLiteral("connected again"));
    releasePort();
    m_rxBuffer.clear();
    m_portName = ui->calibrationDlgCB_comport->currentText();
    qCDebug(lcPort) << m_portName;
    setBusy(true);

    OpenFailure failure;
    m_port = m_ports.openPort(m_portName, &failure);
    if (!m_port) {
        qCDebug(lcPort) << "device failed to open:" << failure.libraryText;
        setBusy(false);
        setStatus(tr("device failed to open"));
        runMessageBox(QMessageBox::Warning, tr("Cannot open %1").arg(m_portName),
            openFailureText(m_portName, failure, portFacts(m_portName)), QMessageBox::Ok);
        return;
    }
    m_port->setParent(this);
    connect(m_port, &QIODevice::readyRead, this, &CalibrationDlg::onReadyRead);
    if (auto *serial = qobject_cast<QSerialPort *>(m_port))
        connect(serial, &QSerialPort::errorOccurred, this, &CalibrationDlg::onPortError);
    qCDebug(lcPort) << "listening for data on" << m_portName;

    m_run = RunRecord();
    m_run.id = timeOrderedUuid();
    m_run.connectedAt = QDateTime::currentDateTime();
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
        m_run.mode = RunMode::Validation;
        m_state = State::rawModeOff;
    } else {
        m_run.mode = RunMode::Calibration;
        m_state = State::rawModeOn;
    }
    writeCommand(Command::rawModeToggle);
    ui->calibrationPB_Connect->setEnabled(false);
}

void CalibrationDlg::on_CalibrationPB_Close_clicked()
{
    endRun(QStringLiteral("closed"));
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
    m_recordLimit->stop();
    m_awaitedRecord = QUuid();
    m_saving = false;
    if (!m_port)
        return;
    m_port->disconnect(this);
    if (m_port->isOpen())
        m_port->close();
    // The release can happen inside the port's own signal (a reply that ends the dialog).
    m_port->deleteLater();
    m_port = nullptr;
    qCDebug(lcPort) << "Disconnect port";
}

void CalibrationDlg::onPortError(QSerialPort::SerialPortError error)
{
    // Opening reports NoError, and a pseudo-terminal refuses DTR/RTS; neither is a fault.
    if (error == QSerialPort::NoError || error == QSerialPort::UnsupportedOperationError)
        return;
    if (!m_port || !m_port->isOpen())
        return;
    qCDebug(lcPort) << "port error:" << error << m_port->errorString();
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
    if (wasSaving) {
        m_run.store->confirmed = false;
        record(saveResultEvent(m_run, Verdict::notConfirmed));
    }
    endRun(QStringLiteral("fixture disconnected"));
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
