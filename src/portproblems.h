#ifndef PORTPROBLEMS_H
#define PORTPROBLEMS_H

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Why a port could not be opened, as the serial-port library tells it.
enum class OpenError { NotFound, Permission, Other };

struct OpenFailure
{
    OpenError error = OpenError::Other;
    QString libraryText;
};

enum class Platform { Linux, Windows, Other };
Platform currentPlatform();

// Another program that has a port open.
struct PortHolder
{
    qint64 pid = 0;
    QString program;
};

// What the system says about a port that would not open.
struct PortFacts
{
    bool exists = false;
    bool accessible = false; // this process may read and write its device node
    QString group; // the device node's group
    QString account; // this process's account
    QStringList processGroups; // the groups this process has now
    QStringList listedGroups; // the groups the group file lists the account in
    QList<PortHolder> holders;
};

// The cause and the remedy, in words, for the technician: not in the port's group (or added but
// not logged in again since, with the exact command), busy (naming the program that holds it
// where the system shows it), gone, or the library's own words.
QString openFailureText(const QString &portName, const OpenFailure &failure, const PortFacts &facts,
    Platform platform = currentPlatform());

// What the system shows about the port's device node, /proc and the group file.
PortFacts portFacts(const QString &portName);

// What the USB bus shows when no FTDI serial port is listed.
struct UsbFacts
{
    bool ftdiDevice = false; // a device with FTDI's vendor id 0403 is plugged in
    bool brltty = false; // the braille-display service that claims such devices is there
    bool ftdiModule = false; // the kernel's FTDI serial driver is loaded
};

UsbFacts usbFacts();
// The likely cause when no FTDI port is listed, and what to do.
QString noFixtureText(const UsbFacts &facts, Platform platform = currentPlatform());

// The groups a group file (as /etc/group) lists the account in, by name.
QStringList groupsListing(const QByteArray &groupFile, const QString &account);

// Only the tests look at another system: a folder standing for the root of the file system
// (its proc, sys, etc/group and udev rules), and the process's group ids.
struct SystemView
{
    QString root;
    std::optional<QList<unsigned>> processGroupIds;
};
void setSystemViewForTesting(const SystemView &view);

#endif
