#ifndef PORTACCESS_H
#define PORTACCESS_H

#include "portproblems.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QIODevice;

// One serial port as the dialog sees it: the system's name for it and the name of the bus
// driver that enumerated it ("FTDIBUS" for the FTDI USB driver, on every platform).
struct PortInfo
{
    QString portName;
    QString enumName;
};

inline constexpr char ftdiEnumeratorName[] = "FTDIBUS";

using PortLister = std::function<QList<PortInfo>()>;
// Opens the named port ready for the fixture's line settings. Returns nullptr and why when it
// cannot; the caller owns the device.
using PortOpener = std::function<QIODevice *(const QString &portName, OpenFailure *failure)>;

// Where the dialog finds and opens ports. The program uses the system's serial ports; the demo
// and the tests hand in their own.
struct PortAccess
{
    PortLister listPorts;
    PortOpener openPort;
};

PortAccess systemPortAccess();

// The enumerator name for a port, from what the platform tells about it. Windows reports the
// vendor id parsed from the FTDIBUS instance id; Linux reports the kernel driver behind the tty.
// The driver, when known, decides: a reprogrammed or missing vendor id must not hide an FTDI
// chip, and another driver's port is not FTDI even if it claims FTDI's vendor id.
QString enumeratorName(std::optional<quint16> vendorId, const QString &driverName);

// The names of the ports served by the FTDI driver, in enumeration order. The comparison is
// exact, as the driver reports its name.
QStringList ftdiPortNames(const QList<PortInfo> &ports);

// The order ports are offered in: numbers within the names compare as numbers, so COM2 comes
// before COM10 and ttyUSB2 before ttyUSB10.
bool naturallyBefore(const QString &a, const QString &b);

QList<PortInfo> systemPorts();
QIODevice *openSerialPort(const QString &portName, OpenFailure *failure);

#endif
