// Construction, the views of the values area, and the small pieces every part of the dialog
// shares.

#include "calibrationdlg.h"
#include "logging.h"
#include "recordsdatabase.h"
#include "states.h"

#include <QApplication>
#include <QTimer>
#include <array>

CalibrationDlg::CalibrationDlg(QWidget *parent, const PortAccess &ports)
    : QDialog(parent)
    , m_state(State::idle)
    , ui(new Ui::CalibrationDlg)
    , m_ports(ports)
    , m_records(RecordsDatabase::defaultPath(), this)
{
    ui->setupUi(this);
    ui->calibrationDlg_Print->hide();
    ui->calibrationPB_Connect->setFocus();

    m_respTimer = new QTimer(this);
    m_respTimer->setObjectName(QStringLiteral("responseTimer"));
    connect(m_respTimer, &QTimer::timeout, this, &CalibrationDlg::updateTimer);

    m_greenPalette.setBrush(QPalette::All, QPalette::Base, QBrush(Qt::green, Qt::SolidPattern));
    m_redPalette.setBrush(QPalette::All, QPalette::Base, QBrush(Qt::red, Qt::SolidPattern));
    m_whitePalette.setBrush(QPalette::All, QPalette::Base, QBrush(Qt::white, Qt::SolidPattern));
    // On a dark desktop the text colour is light; on these backgrounds only dark text reads.
    for (QPalette *palette : { &m_greenPalette, &m_redPalette, &m_whitePalette })
        palette->setBrush(QPalette::All, QPalette::Text, QBrush(Qt::black, Qt::SolidPattern));

    m_records.setObjectName(QStringLiteral("records"));
    m_recordLimit = new QTimer(this);
    m_recordLimit->setSingleShot(true);
    m_recordLimit->setInterval(recordCommitLimit);
    connect(m_recordLimit, &QTimer::timeout, this, [this] {
        recordNotKept(
            tr("the records did not answer within %1 s").arg(recordCommitLimit.count() / 1000));
    });
    connect(&m_records, &RecordsLog::committed, this, &CalibrationDlg::onRecordCommitted);
    connect(&m_records, &RecordsLog::writeFailed, this, &CalibrationDlg::warnRecordsNotWritten);
    connect(&m_records, &RecordsLog::notice, this, &CalibrationDlg::tellAboutRecords);

    connect(ui->calibrationDlgCB_comport, &PortComboBox::aboutToShowPorts, this,
        &CalibrationDlg::refreshPortList);
    connect(ui->calDlg_statusbar, &InfoBar::whyRequested, this, &CalibrationDlg::explainNoFixture);

    setStatus(tr("User must select correct port from dropdown box and press connect."));
    fillPortList();
}

CalibrationDlg::~CalibrationDlg()
{
    // Closing the window by its title bar or Escape skips Close: the port, the timer and the
    // cursor must still be given back.
    setBusy(false);
    endRun(QStringLiteral("closed"));
    if (m_port)
        m_port->disconnect(this);
    delete ui;
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

// The run as the fields show it now: what the report copies, which may differ from what the
// devices said where the technician typed over a field.
RunRecord CalibrationDlg::shownRun() const
{
    RunRecord shown = m_run;
    const auto showing
        = [](Reported &value, const QLineEdit *field) { value.text = field->text(); };
    showing(shown.fixture.model, ui->calLE_Type);
    showing(shown.fixture.serial, ui->calLE_SN);
    showing(shown.fixture.firmware, ui->calLE_Version);
    showing(shown.fixture.calDate, ui->calLE_CALDATE);
    showing(shown.sensor.model, ui->calLE_TARNEL);
    showing(shown.sensor.serial, ui->calLE_TARNEL_SN);
    showing(shown.sensor.firmware, ui->calLE_TARNEL_VER);
    showing(shown.sensor.calDate, ui->calLE_TARNEL_CAL);
    showing(shown.slope, ui->calLE_OldCslp);
    showing(shown.offset, ui->calLE_OldCoff);
    if (!shown.calibration)
        shown.calibration.emplace();
    shown.calibration->slopeText = ui->calLE_NewCslp->text();
    shown.calibration->offsetText = ui->calLE_NewCoff->text();
    if (!shown.validation)
        shown.validation.emplace();
    for (int step = 1; step <= validationStepCount; ++step) {
        auto &reading = shown.validation->steps[static_cast<size_t>(step - 1)];
        if (!reading)
            reading.emplace();
        reading->text = stepField(step)->text();
        reading->passed = stepPasses(step, reading->text);
    }
    return shown;
}

// ---- Small shared pieces

void CalibrationDlg::StopTimer()
{
    m_respTimer->stop();
    qCDebug(lcDialogue) << "End of StopTimer method";
}

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
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
    const QString &informativeText)
{
    m_msgBox = newMessageBox(icon, title, text, buttons);
    if (defaultButton != QMessageBox::NoButton)
        m_msgBox->setDefaultButton(defaultButton);
    m_msgBox->setInformativeText(informativeText);
    const int answer = m_msgBox->exec();
    m_msgBox = nullptr;
    return answer;
}

void CalibrationDlg::showFileWarning(const QString &title, const QString &text)
{
    newMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this)->exec();
}
