#ifndef SETTINGSDIALOG_H
#define SETTINGSDIALOG_H

#include "registerconfig.h"

#include <QDialog>

namespace Ui {
class SettingsDialog;
}

// The register's settings: the intervals its due dates and flags follow, and the laboratory its
// certificates name.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(const RegisterConfig &config, QWidget *parent = nullptr);
    ~SettingsDialog() override;

    RegisterConfig config() const;

public slots:
    // Refuses a server written with a password in it: passwords are never kept.
    void accept() override;

private slots:
    void on_settingsPB_testServer_clicked();

private:
    Ui::SettingsDialog *ui;
    RegisterConfig m_config;
};

#endif
