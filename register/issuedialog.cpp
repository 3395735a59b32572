#include "issuedialog.h"

#include "runevents.h"
#include "ui_issuedialog.h"

IssueDialog::IssueDialog(const Certificate &draft, bool amending, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::IssueDialog)
{
    ui->setupUi(this);
    const RunContext account = RunContext::ofThisProgram();
    QString about = amending
        ? tr("Revision %1 of certificate %2, replacing it, for sensor %3 (run of %4). You approve "
             "it as %5.")
              .arg(draft.revision + 1)
              .arg(draft.number(), draft.run.sensorSerial, dateText(draft.run.started),
                  account.login)
        : tr("Certificate %1 for sensor %2 (run of %3). You approve it as %4.")
              .arg(draft.number(), draft.run.sensorSerial, dateText(draft.run.started),
                  account.login);
    if (!draft.referenceLapses.isEmpty())
        about += QLatin1Char('\n')
            + tr("The reference standard was out of its calibration interval at the time of the "
                 "run: %1. It is issued only with a concession and its reason.")
                  .arg(draft.referenceLapses.join(QStringLiteral("; ")));
    ui->issueLBL_certificate->setText(about);
    ui->issueLE_approverName->setText(
        account.fullName.isEmpty() ? account.login : account.fullName);
    ui->issueLE_concession->setEnabled(!draft.referenceLapses.isEmpty());
    ui->issueLE_reason->setEnabled(amending);
    ui->issuePB_draft->setVisible(!amending);
}

IssueDialog::~IssueDialog()
{
    delete ui;
}

IssueDetails IssueDialog::details() const
{
    return { ui->issueLE_approverName->text(), ui->issueLE_temperature->text(),
        ui->issueLE_humidity->text(), ui->issueLE_condition->text(), ui->issueLE_concession->text(),
        ui->issueLE_reason->text() };
}

void IssueDialog::on_issuePB_draft_clicked()
{
    done(Draft);
}

void IssueDialog::on_issuePB_approve_clicked()
{
    done(Approve);
}
