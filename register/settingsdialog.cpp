#include "settingsdialog.h"

#include "serverconnection.h"
#include "serverregister.h"
#include "ui_settingsdialog.h"

#include <QApplication>
#include <QMessageBox>

namespace {
QString yesOrNo(bool yes)
{
    return yes ? QStringLiteral("yes") : QStringLiteral("no");
}
}

SettingsDialog::SettingsDialog(
    const LabSettings &lab, const RegisterConfig &config, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SettingsDialog)
    , m_config(config)
{
    ui->setupUi(this);
    for (const char *rule : { "simple", "guarded", "non-binary" })
        ui->settingsCB_rule->addItem(QLatin1String(rule));
    ui->settingsSB_sensorInterval->setValue(lab.sensorIntervalMonths);
    ui->settingsSB_fixtureInterval->setValue(lab.fixtureIntervalMonths);
    ui->settingsCB_printNextDue->setChecked(lab.printNextDue);
    ui->settingsLE_labName->setText(lab.laboratoryName);
    ui->settingsTE_labAddress->setPlainText(lab.laboratoryAddress.join(QLatin1Char('\n')));
    ui->settingsLE_place->setText(lab.place);
    ui->settingsLE_procedure->setText(lab.procedure);
    ui->settingsLE_ambient->setText(lab.ambientStatement);
    ui->settingsCB_rule->setCurrentText(lab.decisionRule);
    ui->settingsCB_selfApproval->setChecked(lab.selfApproval);
    ui->settingsLE_server->setText(config.server);
    m_opened = values();
}

QList<std::pair<QString, QString>> SettingsDialog::values() const
{
    return { { QStringLiteral("laboratory-name"), ui->settingsLE_labName->text().trimmed() },
        { QStringLiteral("laboratory-address"),
            ui->settingsTE_labAddress->toPlainText().trimmed() },
        { QStringLiteral("place"), ui->settingsLE_place->text().trimmed() },
        { QStringLiteral("procedure"), ui->settingsLE_procedure->text().trimmed() },
        { QStringLiteral("sensor-interval-months"),
            QString::number(ui->settingsSB_sensorInterval->value()) },
        { QStringLiteral("fixture-interval-months"),
            QString::number(ui->settingsSB_fixtureInterval->value()) },
        { QStringLiteral("print-next-due"), yesOrNo(ui->settingsCB_printNextDue->isChecked()) },
        { QStringLiteral("self-approval"), yesOrNo(ui->settingsCB_selfApproval->isChecked()) },
        { QStringLiteral("ambient-statement"), ui->settingsLE_ambient->text().trimmed() },
        { QStringLiteral("decision-rule"), ui->settingsCB_rule->currentText() } };
}

QList<std::pair<QString, QString>> SettingsDialog::changedSettings() const
{
    QList<std::pair<QString, QString>> changed;
    const QList<std::pair<QString, QString>> now = values();
    for (qsizetype i = 0; i < now.size(); ++i) {
        if (now.at(i) != m_opened.at(i))
            changed.append(now.at(i));
    }
    return changed;
}

void SettingsDialog::on_settingsPB_testServer_clicked()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ui->settingsLBL_serverResult->setText(testServer(ui->settingsLE_server->text().trimmed()));
    QApplication::restoreOverrideCursor();
}

void SettingsDialog::accept()
{
    const QString server = ui->settingsLE_server->text().trimmed();
    const ServerAddress address = parseServerAddress(server);
    QString refusal;
    if (!server.isEmpty() && !address.valid)
        refusal = tr("The server's connection string cannot be read: %1").arg(address.error);
    else if (address.hasPassword())
        refusal = tr("A password is never kept in the settings. Put it in the account's .pgpass "
                     "file (or the file PGPASSFILE names) and leave it out here.");
    if (refusal.isEmpty()) {
        QDialog::accept();
        return;
    }
    QMessageBox box(QMessageBox::Warning, tr("Settings"), refusal, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

SettingsDialog::~SettingsDialog()
{
    delete ui;
}

RegisterConfig SettingsDialog::config() const
{
    RegisterConfig config = m_config;
    config.server = ui->settingsLE_server->text().trimmed();
    return config;
}
