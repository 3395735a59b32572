#ifndef PORTCOMBOBOX_H
#define PORTCOMBOBOX_H

#include <QComboBox>

// The list of ports, which says when its drop-down is about to open, so the ports can be read
// again first: a fixture plugged in after the dialog opened is then offered.
class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void aboutToShowPorts();
};

#endif
