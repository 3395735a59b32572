#include "portproblems.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
constexpr char ftdiVendor[] = "0403";
constexpr char ftdiModuleName[] = "ftdi_sio";
constexpr char modemManager[] = "ModemManager";
const char *const brlttyTraces[] = { "usr/bin/brltty", "usr/lib/udev/rules.d/85-brltty.rules",
    "lib/udev/rules.d/85-brltty.rules" };

SystemView systemView;

// Texts outside any window, in the translations under "PortProblems".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(PortProblems)
};

QString underRoot(const QString &path)
{
    return systemView.root.isEmpty() ? QLatin1Char('/') + path
                                     : systemView.root + QLatin1Char('/') + path;
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString deviceNode(const QString &portName)
{
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}

// Each line of a group file: name, password, id, members.
QHash<unsigned, QString> groupNames(const QByteArray &groupFile)
{
    QHash<unsigned, QString> names;
    for (const QByteArray &line : groupFile.split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        bool ok = false;
        const unsigned id = fields.size() >= 3 ? fields.at(2).toUInt(&ok) : 0;
        if (ok)
            names.insert(id, QString::fromLocal8Bit(fields.at(0)));
    }
    return names;
}

QString nameOf(const QHash<unsigned, QString> &names, unsigned id)
{
    return names.value(id, QString::number(id));
}

QString holdersText(const QList<PortHolder> &holders)
{
    QStringList named;
    for (const PortHolder &holder : holders)
        named.append(Texts::tr("%1 (process %2)").arg(holder.program).arg(holder.pid));
    return named.join(QStringLiteral(", "));
}

bool heldByModemManager(const QList<PortHolder> &holders)
{
    return std::any_of(holders.cbegin(), holders.cend(),
        [](const PortHolder &holder) { return holder.program == QLatin1String(modemManager); });
}

QString busyText(
    const QString &portName, const OpenFailure &failure, const PortFacts &facts, Platform platform)
{
    if (platform == Platform::Windows)
        return Texts::tr(
            "%1 is in use by another program: a terminal program, a second copy of this "
            "utility or another tool for the fixture. Close it, then press Connect.")
            .arg(portName);
    if (facts.holders.isEmpty())
        return Texts::tr(
            "%1 is in use by another program, or locked by one: a terminal program, a second "
            "copy of this utility, or ModemManager probing the port. Close it, then press "
            "Connect.\n\n(%2)")
            .arg(portName, failure.libraryText);
    QString text = Texts::tr("%1 is in use by another program: %2. Close it, then press Connect.")
                       .arg(portName, holdersText(facts.holders));
    if (heldByModemManager(facts.holders))
        text += QStringLiteral("\n\n")
            + Texts::tr(
                "ModemManager probes every new serial port for a modem. Stop it while you work "
                "with the fixture:\n\nsudo systemctl stop ModemManager");
    return text;
}

// Not allowed to open it: the account lacks the port's group, or has it only since this session
// began.
std::optional<QString> groupText(const QString &portName, const PortFacts &facts)
{
    if (facts.accessible || facts.group.isEmpty() || facts.processGroups.contains(facts.group))
        return std::nullopt;
    if (facts.listedGroups.contains(facts.group))
        return Texts::tr(
            "Your account %1 was added to the group \"%2\", which may use %3, but this "
            "session began before that. Log out and log in again (or restart the computer), "
            "then press Connect.")
            .arg(facts.account, facts.group, portName);
    return Texts::tr(
        "Your account %1 may not use %2: the port belongs to the group \"%3\", and the "
        "account is not in it. Add it with this command, then log out and log in again:\n\n"
        "sudo usermod -aG %3 %1")
        .arg(facts.account, portName, facts.group);
}

QList<PortHolder> holdersOf(const QString &node)
{
    QList<PortHolder> holders;
#ifdef Q_OS_UNIX
    const QString ownPid = QString::number(::getpid());
    const QDir proc(underRoot(QStringLiteral("proc")));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 id = pid.toLongLong(&numeric);
        if (!numeric || pid == ownPid)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        const QFileInfoList links
            = fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
        if (std::any_of(links.cbegin(), links.cend(),
                [&](const QFileInfo &link) { return link.symLinkTarget() == node; }))
            holders.append({ id,
                QString::fromLocal8Bit(contentsOf(proc.filePath(pid + QStringLiteral("/comm"))))
                    .trimmed() });
    }
#else
    Q_UNUSED(node)
#endif
    return holders;
}
}

Platform currentPlatform()
{
#if defined(Q_OS_WIN)
    return Platform::Windows;
#elif defined(Q_OS_LINUX)
    return Platform::Linux;
#else
    return Platform::Other;
#endif
}

QString openFailureText(
    const QString &portName, const OpenFailure &failure, const PortFacts &facts, Platform platform)
{
    if (failure.error == OpenError::NotFound || (platform != Platform::Windows && !facts.exists))
        return Texts::tr(
            "%1 is no longer there: the fixture was unplugged, or its cable came loose. Plug "
            "it in, choose its port from the list and press Connect.")
            .arg(portName);
    if (!facts.holders.isEmpty())
        return busyText(portName, failure, facts, platform);
    if (failure.error == OpenError::Permission) {
        if (const std::optional<QString> text = groupText(portName, facts))
            return *text;
        if (facts.accessible || platform == Platform::Windows)
            return busyText(portName, failure, facts, platform);
    }
    return Texts::tr(
        "%1 could not be opened: %2. Check that the fixture is plugged in, choose its port "
        "again and press Connect.")
        .arg(portName, failure.libraryText);
}

QStringList groupsListing(const QByteArray &groupFile, const QString &account)
{
    QStringList groups;
    for (const QByteArray &line : groupFile.split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() >= 4 && fields.at(3).trimmed().split(',').contains(account.toLocal8Bit()))
            groups.append(QString::fromLocal8Bit(fields.at(0)));
    }
    return groups;
}

PortFacts portFacts(const QString &portName)
{
    PortFacts facts;
    const QString node = deviceNode(portName);
    facts.exists = QFileInfo::exists(node);
#ifdef Q_OS_UNIX
    const QByteArray groupFile = contentsOf(underRoot(QStringLiteral("etc/group")));
    const QHash<unsigned, QString> names = groupNames(groupFile);
    if (const passwd *account = ::getpwuid(::geteuid())) {
        facts.account = QString::fromLocal8Bit(account->pw_name);
        facts.listedGroups = groupsListing(groupFile, facts.account);
        facts.listedGroups.append(nameOf(names, account->pw_gid));
    }
    QList<unsigned> ids = systemView.processGroupIds.value_or(QList<unsigned>());
    if (!systemView.processGroupIds) {
        QList<gid_t> own(::getgroups(0, nullptr));
        own.resize(std::max(0, ::getgroups(int(own.size()), own.data())));
        ids = QList<unsigned>(own.cbegin(), own.cend());
        ids.append(::getegid());
    }
    for (const unsigned id : ids)
        facts.processGroups.append(nameOf(names, id));
    struct stat status
    {
    };
    if (facts.exists && ::stat(QFile::encodeName(node).constData(), &status) == 0)
        facts.group = nameOf(names, status.st_gid);
    facts.accessible
        = facts.exists && ::access(QFile::encodeName(node).constData(), R_OK | W_OK) == 0;
    facts.holders = holdersOf(node);
#endif
    return facts;
}

UsbFacts usbFacts()
{
    UsbFacts facts;
    const QDir devices(underRoot(QStringLiteral("sys/bus/usb/devices")));
    for (const QString &device : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (contentsOf(devices.filePath(device + QStringLiteral("/idVendor"))).trimmed()
            == ftdiVendor)
            facts.ftdiDevice = true;
    }
    facts.ftdiModule = QFileInfo::exists(
        underRoot(QStringLiteral("sys/module/") + QLatin1String(ftdiModuleName)));
    facts.brltty = std::any_of(std::cbegin(brlttyTraces), std::cend(brlttyTraces),
        [](const char *trace) { return QFileInfo::exists(underRoot(QLatin1String(trace))); });
    return facts;
}

QString noFixtureText(const UsbFacts &facts, Platform platform)
{
    if (platform == Platform::Windows)
        return Texts::tr(
            "No FTDI serial port is listed. Windows needs FTDI's VCP driver for the "
            "KR-5M-LD-CV-LNK: Windows Update usually installs it when the fixture is plugged "
            "in; otherwise install the \"VCP driver\" from FTDI. Then the fixture appears in "
            "Device Manager under Ports (COM & LPT) as \"USB Serial Port (COMn)\".");
    if (!facts.ftdiDevice)
        return Texts::tr(
            "The computer sees no FTDI USB device, so no KR-5M-LD-CV-LNK is connected. Check "
            "the USB cable at both ends (some cables carry power only, no data) and try "
            "another USB port.");
    if (facts.brltty)
        return Texts::tr(
            "An FTDI USB device, as the KR-5M-LD-CV-LNK is, is plugged in, but no serial "
            "port appeared for it: the braille-display service brltty claims such devices. "
            "If no braille display is used on this computer, remove it, then unplug the "
            "fixture and plug it in again:\n\nsudo apt remove brltty");
    if (!facts.ftdiModule)
        return Texts::tr(
            "An FTDI USB device, as the KR-5M-LD-CV-LNK is, is plugged in, but the FTDI "
            "serial driver (ftdi_sio) is not loaded. Load it, then unplug the fixture and "
            "plug it in again:\n\nsudo modprobe ftdi_sio\n\nIf that fails, the kernel's "
            "extra modules are missing (on Ubuntu: sudo apt install "
            "linux-modules-extra-$(uname -r)).");
    return Texts::tr(
        "An FTDI USB device, as the KR-5M-LD-CV-LNK is, is plugged in, but no serial port "
        "appeared for it. Unplug the fixture and plug it in again; if still no port "
        "appears, the system log (sudo dmesg) says why.");
}

void setSystemViewForTesting(const SystemView &view)
{
    systemView = view;
}
