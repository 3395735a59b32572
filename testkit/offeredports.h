#ifndef OFFEREDPORTS_H
#define OFFEREDPORTS_H

#include "portaccess.h"

#include <QStringList>
#include <functional>

// Ports the dialog is offered as the FTDI driver's whatever they are (a simulator's
// pseudo-terminal, a memory device): the paths the function lists whenever the dialog asks,
// opened as serial ports unless another opener is given.
PortAccess offeredPorts(std::function<QStringList()> listPaths, PortOpener open = openSerialPort);
PortAccess offeredPorts(const QStringList &paths, PortOpener open = openSerialPort);

#endif
