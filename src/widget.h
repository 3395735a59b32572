#ifndef WIDGET_H
#define WIDGET_H

#include "portaccess.h"

#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui {
class Widget;
}
QT_END_NAMESPACE

// The start window: the instructions the technician must scroll through before OK leads on to
// the calibration dialog.
class Widget : public QWidget
{
    Q_OBJECT

public:
    explicit Widget(QWidget *parent = nullptr, const PortAccess &ports = systemPortAccess());
    ~Widget() override;

private slots:
    void on_mainPB_About_clicked();
    void on_MainPB_Close_clicked();
    void on_mainPB_OK_clicked();
    void update(int value);

private:
    void showContacts();
    void showAboutText();
    void showInstructions();
    void showEndUserDirective();
    void runCalibrationDialog();

    Ui::Widget *ui;
    // Where each calibration dialog finds its fixture: the system's ports, or the demo's.
    PortAccess m_ports;
    bool m_refillingText = false;
};

#endif
