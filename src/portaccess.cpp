#include "portaccess.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>

namespace {
constexpr quint16 ftdiVendorId = 0x0403;
constexpr char ftdiLinuxDriver[] = "ftdi_sio";

// The kernel driver serving /dev/<name>, or an empty string where the platform has no sysfs.
QString linuxDriverName(const QString &portName)
{
    const QFileInfo driver(QStringLiteral("/sys/class/tty/%1/device/driver").arg(portName));
    if (!driver.isSymLink())
        return {};
    return QFileInfo(driver.symLinkTarget()).fileName();
}

OpenError openErrorOf(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenError::NotFound;
    case QSerialPort::PermissionError:
        return OpenError::Permission;
    default:
        return OpenError::Other;
    }
}
}

PortAccess systemPortAccess()
{
    return { systemPorts, openSerialPort };
}

QString enumeratorName(std::optional<quint16> vendorId, const QString &driverName)
{
    if (!driverName.isEmpty())
        return driverName == QLatin1String(ftdiLinuxDriver)
            ? QString::fromLatin1(ftdiEnumeratorName)
            : driverName;
    if (vendorId == ftdiVendorId)
        return QString::fromLatin1(ftdiEnumeratorName);
    return {};
}

QStringList ftdiPortNames(const QList<PortInfo> &ports)
{
    QStringList names;
    for (const PortInfo &port : ports) {
        if (port.enumName == QLatin1String(ftdiEnumeratorName))
            names.append(port.portName);
    }
    return names;
}

bool naturallyBefore(const QString &a, const QString &b)
{
    // Each number padded to one width, so that text compares as the numbers would.
    static const QRegularExpression number(QStringLiteral("\\d+"));
    const auto key = [](const QString &name) {
        QString padded;
        qsizetype from = 0;
        for (const QRegularExpressionMatch &match : number.globalMatch(name)) {
            padded += QStringView(name).mid(from, match.capturedStart() - from);
            padded += match.captured().rightJustified(20, QLatin1Char('0'));
            from = match.capturedEnd();
        }
        return padded + name.mid(from);
    };
    const QString keyA = key(a);
    const QString keyB = key(b);
    return keyA != keyB ? keyA < keyB : a < b;
}

QList<PortInfo> systemPorts()
{
    QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
    // The platform's order can change between calls; the technician should always see the
    // same list for the same hardware, and COM2 before COM10.
    std::sort(
        available.begin(), available.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
            return naturallyBefore(a.portName(), b.portName());
        });

    QList<PortInfo> ports;
    for (const QSerialPortInfo &info : available) {
        const std::optional<quint16> vendorId = info.hasVendorIdentifier()
            ? std::optional<quint16>(info.vendorIdentifier())
            : std::nullopt;
        ports.append(
            { info.portName(), enumeratorName(vendorId, linuxDriverName(info.portName())) });
    }
    return ports;
}

QIODevice *openSerialPort(const QString &portName, OpenFailure *failure)
{
    auto *port = new QSerialPort(portName);
    port->setBaudRate(QSerialPort::Baud19200);
    port->setParity(QSerialPort::NoParity);
    port->setDataBits(QSerialPort::Data8);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        if (failure)
            *failure = { openErrorOf(port->error()), port->errorString() };
        delete port;
        return nullptr;
    }
    return port;
}
