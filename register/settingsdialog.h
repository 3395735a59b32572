#ifndef SETTINGSDIALOG_H
#define SETTINGSDIALOG_H

#include "labsettings.h"
#include "registerconfig.h"

#include <QDialog>

namespace Ui {
class SettingsDialog;
}

// The register's settings: what the lab decides for its records (the intervals its due dates
// and flags follow, the laboratory its certificates name, the decision rule), kept in the
// records as changes; and this account's server.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    SettingsDialog(const LabSettings &lab, const RegisterConfig &config, QWidget *parent = nullptr);
    ~SettingsDialog() override;

    RegisterConfig config() const;
    // The lab's settings that differ from those it was opened with, as NAME and VALUE.
    QList<std::pair<QString, QString>> changedSettings() const;

public slots:
    // Refuses a server written with a password in it: passwords are never kept.
    void accept() override;

private slots:
    void on_settingsPB_testServer_clicked();

private:
    QList<std::pair<QString, QString>> values() const;

    Ui::SettingsDialog *ui;
    RegisterConfig m_config;
    QList<std::pair<QString, QString>> m_opened;
};

#endif
