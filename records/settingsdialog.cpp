#include "settingsdialog.h"

#include "serverconnection.h"
#include "serverregister.h"
#include "ui_settingsdialog.h"

#include <QApplication>
#include <QMessageBox>

SettingsDialog::SettingsDialog(const RegisterConfig &config, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SettingsDialog)
    , m_config(config)
{
    ui->setupUi(this);
    ui->settingsSB_sensorInterval->setValue(config.settings.sensorIntervalMonths);
    ui->settingsSB_fixtureInterval->setValue(config.settings.fixtureIntervalMonths);
    ui->settingsLE_labName->setText(config.laboratory.name);
    ui->settingsTE_labAddress->setPlainText(config.laboratory.address.join(QLatin1Char('\n')));
    ui->settingsLE_server->setText(config.server);
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
    config.settings.sensorIntervalMonths = ui->settingsSB_sensorInterval->value();
    config.settings.fixtureIntervalMonths = ui->settingsSB_fixtureInterval->value();
    config.laboratory.name = ui->settingsLE_labName->text().trimmed();
    config.laboratory.address
        = ui->settingsTE_labAddress->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    config.server = ui->settingsLE_server->text().trimmed();
    return config;
}
