#include "portcombobox.h"

void PortComboBox::showPopup()
{
    emit aboutToShowPorts();
    QComboBox::showPopup();
}
