#include "widget.h"

#include "calibrationdlg.h"
#include "company.h"
#include "logging.h"
#include "ui_widget.h"

#include <QMessageBox>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <iterator>

namespace {

const QString lineEnd = QStringLiteral("\r\n");

// The instructions as plain paragraphs, for when About is toggled back: the form's rich text
// is gone by then and the text area is refilled from these.
const char *const instructionTexts[] = {
    QT_TRANSLATE_NOOP("Widget", "Please read all instructions before proceeding."),
    QT_TRANSLATE_NOOP("Widget",
        "1) This program can be used to validate the KR-5M-LD handheld conductivity "
        "senor by using the KR-5M-LD-CV-LNK tool. The user should have a working "
        "knowledge of the KR-5M-LD operation and keep the owner's manual handy as a "
        "reference."),
    QT_TRANSLATE_NOOP("Widget",
        "2) To perform validation, KR-5M-LD-CV-LNK must be connected to the Computer "
        "via a USB cable and the proper USB drivers must be loaded."),
    QT_TRANSLATE_NOOP("Widget",
        "3) The KR-5M-LD-CV-LNK should lay flay on its back, with the KR-5M-LD "
        "inserted into the tip hole and have the button end securely within the "
        "holding apperatus. The display should face straight up."),
    QT_TRANSLATE_NOOP("Widget",
        "4) Once connected, do not disconnect USB cable from either PC or "
        "instrument."),
    QT_TRANSLATE_NOOP("Widget",
        "5) The Software Program is totally automated, always read and follow the "
        "software instructions that appear in the popup windows and further "
        "instructions that appear in the status bar window. The user must not "
        "depress the switch other than the first time, when specifically "
        "instructed to do so by the software."),
    QT_TRANSLATE_NOOP("Widget",
        "6) The Software Program has the ability to verify that the KR-5M-LD has a "
        "firmware version of 0.85 or higher. The program will alert the user if not "
        "in compliance. Please contact Varnell Inc. if this is the case."),
    QT_TRANSLATE_NOOP("Widget",
        "7) The Software Program will give the user the choice between Validation or "
        "Calibration. The Software Program will create a text file with the old and "
        "newly created calibration constants that can be used as a historical "
        "record."),
    QT_TRANSLATE_NOOP("Widget",
        "8) Care must be taken during calibration process, the user is wholly "
        "responsible for proper operation during this calibration procedure."),
    QT_TRANSLATE_NOOP("Widget",
        "9) The user can contact Varnell Inc. for how to obtain a calibration "
        "certificate with the data stored in the file."),
    QT_TRANSLATE_NOOP("Widget",
        "10) The term \"AWAKE\" refers to the instrument having an active display. A "
        "Blank display means the instrument is \"ASLEEP\"."),
};

// The distributor's entry on the left, the maker's on the right, as on the letterhead.
QString contactLine(const char *distributorEntry, const char *makerEntry)
{
    return QLatin1String(distributorEntry) + QStringLiteral("\t\t\t") + QLatin1String(makerEntry);
}

}

Widget::Widget(QWidget *parent, const PortAccess &ports)
    : QWidget(parent)
    , ui(new Ui::Widget)
    , m_ports(ports)
{
    ui->setupUi(this);
    showContacts();
    connect(ui->mainTE_Instructions->verticalScrollBar(), &QScrollBar::valueChanged, this,
        &Widget::update);
}

Widget::~Widget()
{
    delete ui;
}

// The company names and addresses live in one place, shared with the report header, so the
// form leaves them out and they are filled in here.
void Widget::showContacts()
{
    setWindowTitle(QLatin1String(Company::makerName) + QString(9, QLatin1Char(' '))
        + QLatin1String(Company::makerWeb));
    ui->label_5->setText(QLatin1String(Company::makerWeb));
    ui->label_2->setText(QLatin1String(Company::distributorWeb));
}

// The button's label names the text the next press brings, so it doubles as the toggle state.
void Widget::on_mainPB_About_clicked()
{
    // Clearing and refilling the area moves its scroll bar; that is not the reader scrolling.
    const QScopedValueRollback refilling(m_refillingText, true);
    ui->mainTE_Instructions->clear();
    if (ui->mainPB_About->text() == tr("About"))
        showAboutText();
    else
        showInstructions();
    QScrollBar *scrollBar = ui->mainTE_Instructions->verticalScrollBar();
    scrollBar->setValue(scrollBar->minimum());
}

void Widget::showAboutText()
{
    ui->mainPB_About->setText(tr("Instructions"));
    ui->mainTE_Instructions->setText(tr("Version %1").arg(QStringLiteral(CVU_VERSION)) + lineEnd);
    ui->mainTE_Instructions->append(contactLine(Company::distributorName, Company::makerName));
    ui->mainTE_Instructions->append(contactLine(Company::distributorTown, Company::makerTown));
    ui->mainTE_Instructions->append(contactLine(Company::distributorWeb, Company::makerWeb));
}

void Widget::showInstructions()
{
    ui->mainPB_About->setText(tr("About"));
    ui->mainTE_Instructions->setText(tr(instructionTexts[0]) + lineEnd);
    for (auto text = std::next(std::begin(instructionTexts)); text != std::end(instructionTexts);
         ++text)
        ui->mainTE_Instructions->append(tr(*text) + lineEnd);
}

void Widget::on_MainPB_Close_clicked()
{
    close();
}

void Widget::on_mainPB_OK_clicked()
{
    showEndUserDirective();
    runCalibrationDialog();
}

// A notice, not a question: however it is dismissed, the calibration dialog follows.
void Widget::showEndUserDirective()
{
    auto *directive = new QMessageBox;
    directive->setAttribute(Qt::WA_DeleteOnClose);
    directive->setIcon(QMessageBox::Warning);
    directive->setWindowTitle(tr("End User Directive"));
    directive->setText(tr("Please verify the KR-5M-LD-CV-LNK is connected to the computer via a "
                          "USB cable and ensure KR-5M-LD is powered and the display reads \"Push "
                          "to Sample\""));
    directive->setFocus(Qt::OtherFocusReason);
    directive->exec();
}

// Every run gets a fresh dialog, so nothing from an earlier run can leak into the next one.
void Widget::runCalibrationDialog()
{
    CalibrationDlg dialog(nullptr, m_ports);
    // Run before tracing: a disabled trace does not evaluate its arguments.
    const int result = dialog.exec();
    qCDebug(lcWindow, result ? "Accept" : "Reject");
}

// The technician must have scrolled to the end of the instructions before OK is offered; once
// offered it stays, whatever is scrolled or toggled afterwards.
void Widget::update(int value)
{
    const bool readingInstructions = ui->mainPB_About->text() == tr("About");
    if (m_refillingText || !readingInstructions)
        return;
    if (value != ui->mainTE_Instructions->verticalScrollBar()->maximum())
        return;
    qCDebug(lcWindow, "Slider @ bottom");
    ui->mainPB_OK->setEnabled(true);
}
