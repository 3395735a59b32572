#include "boxanswerer.h"
#include "fixturesession.h"
#include "portproblems.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char openMode[] = "--open-port";
constexpr char holdMode[] = "--hold-port";
constexpr char unprivileged[] = "nobody";
const QString noFixtureStatus = QStringLiteral(
    "No port of a KR-5M-LD-CV-LNK found. Plug the fixture in, then press Connect.");

// In a child: what the technician would be told on opening the port.
int sayWhyItWillNotOpen(const QString &port)
{
    OpenFailure failure;
    const QIODevice *opened = openSerialPort(port, &failure);
    std::printf(
        "%s", opened ? "opened" : qPrintable(openFailureText(port, failure, portFacts(port))));
    return 0;
}

// In a child: the port held open with the library's exclusive lock until the child is killed.
int holdPort(const QString &port)
{
    if (!openSerialPort(port, nullptr))
        return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// Run as root: directly when the tests are, else through sudo, which must not ask.
bool asRoot(QStringList command, QByteArray *output = nullptr)
{
    if (::geteuid() != 0)
        command = QStringList { QStringLiteral("sudo"), QStringLiteral("-n") } + command;
    QProcess process;
    process.start(command.takeFirst(), command);
    const bool done = process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    if (!done)
        qWarning("%s", process.readAllStandardError().constData());
    return done;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// A copy of this program that an unprivileged account may run, wherever the build is.
QString reachableCopy(const QTemporaryDir &dir)
{
    const QString copy = dir.filePath(QStringLiteral("tst_portproblems"));
    QFile::copy(QCoreApplication::applicationFilePath(), copy);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    return copy;
}
}

// When the fixture cannot be reached: the cause and the remedy told apart by what the port
// library and the system say, on real pseudo-terminals and on a system tree made up for the
// case; a fixture plugged in late or unplugged while the dialog rests.
class PortProblemsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettings(); }
    void cleanup() { setSystemViewForTesting({}); }

    // An account without the port's group is told the command; one added since its session
    // began, to log in again; a port another program holds names it; Windows and anything
    // else get their own words.
    void openFailuresAreExplained()
    {
        QTemporaryDir root;
        const QString node = root.filePath(QStringLiteral("ttyUSB0"));
        QVERIFY(writeFile(node, {}));
        struct stat status
        {
        };
        QVERIFY(::stat(QFile::encodeName(node).constData(), &status) == 0);
        QVERIFY(writeFile(root.filePath(QStringLiteral("etc/group")),
            QStringLiteral("root:x:0:\nlab:x:4711:\ndialout:x:%1:someone,%2\n")
                .arg(status.st_gid)
                .arg(portFacts(node).account)
                .toUtf8()));
        setSystemViewForTesting({ root.path(), QList<unsigned> { 4711 } });
        PortFacts facts = portFacts(node);
        QCOMPARE(facts.group, QStringLiteral("dialout"));
        QVERIFY(facts.listedGroups.contains(QStringLiteral("dialout")));
        QCOMPARE(facts.processGroups, QStringList { QStringLiteral("lab") });
        QVERIFY(facts.holders.isEmpty());

        const OpenFailure denied { OpenError::Permission, QStringLiteral("Permission error") };
        facts.accessible = false;
        QCOMPARE(openFailureText(node, denied, facts, Platform::Linux),
            QStringLiteral("Your account %1 was added to the group \"dialout\", which may use %2, "
                           "but this session began before that. Log out and log in again (or "
                           "restart the computer), then press Connect.")
                .arg(facts.account, node));
        facts.listedGroups.clear();
        QCOMPARE(openFailureText(node, denied, facts, Platform::Linux),
            QStringLiteral("Your account %1 may not use %2: the port belongs to the group "
                           "\"dialout\", and the account is not in it. Add it with this command, "
                           "then log out and log in again:\n\nsudo usermod -aG dialout %1")
                .arg(facts.account, node));

        QVERIFY(writeFile(root.filePath(QStringLiteral("proc/4242/comm")), "ModemManager\n"));
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("proc/4242/fd"))));
        QVERIFY(QFile::link(node, root.filePath(QStringLiteral("proc/4242/fd/7"))));
        facts = portFacts(node);
        QCOMPARE(facts.holders.size(), 1);
        // Every remedy whole: a command a technician types must be exact.
        QCOMPARE(openFailureText(node, denied, facts, Platform::Linux),
            QStringLiteral("%1 is in use by another program: ModemManager (process 4242). Close "
                           "it, then press Connect.\n\nModemManager probes every new serial port "
                           "for a modem. Stop it while you work with the fixture:\n\nsudo "
                           "systemctl stop ModemManager")
                .arg(node));
        QCOMPARE(openFailureText(QStringLiteral("COM3"), denied, PortFacts(), Platform::Windows),
            QStringLiteral("COM3 is in use by another program: a terminal program, a second copy "
                           "of this utility or another tool for the fixture. Close it, then press "
                           "Connect."));
        PortFacts present;
        present.exists = true;
        QCOMPARE(openFailureText(node, { OpenError::Other, QStringLiteral("Input/output error") },
                     present, Platform::Linux),
            QStringLiteral("%1 could not be opened: Input/output error. Check that the fixture is "
                           "plugged in, choose its port again and press Connect.")
                .arg(node));
        QCOMPARE(groupsListing("dialout:x:20:ann,bob\nplugdev:x:46:bob\n", QStringLiteral("bob")),
            (QStringList { QStringLiteral("dialout"), QStringLiteral("plugdev") }));
    }

    // A real port made unusable for an unprivileged account: that account is told it lacks the
    // port's group, and the command that adds it.
    void portOfAnotherGroupIsExplainedToItsUser()
    {
        FixtureSimulator simulator;
        QVERIFY(simulator.start());
        const QString port = simulator.portPath();
        QVERIFY(asRoot({ QStringLiteral("chgrp"), QStringLiteral("dialout"), port }));
        QVERIFY(asRoot({ QStringLiteral("chmod"), QStringLiteral("660"), port }));
        QTemporaryDir dir(QStringLiteral("/tmp/cvu-portproblems-XXXXXX"));
        QByteArray said;
        QVERIFY(asRoot({ QStringLiteral("setpriv"),
                           QStringLiteral("--reuid=%1").arg(QLatin1String(unprivileged)),
                           QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                           reachableCopy(dir), QLatin1String(openMode), port },
            &said));
        QCOMPARE(QString::fromLocal8Bit(said),
            QStringLiteral("Your account nobody may not use %1: the port belongs to the group "
                           "\"dialout\", and the account is not in it. Add it with this command, "
                           "then log out and log in again:\n\nsudo usermod -aG dialout nobody")
                .arg(port));
    }

    // A port another program holds with an exclusive lock: Connect keeps its status text and
    // behaviour, and the box names the program.
    void portHeldByAnotherProgramNamesIt()
    {
        FixtureSession session;
        const QString port = session.simulator.portPath();
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), { QLatin1String(holdMode), port });
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readLine(), QByteArray("holding\n"));
        BoxAnswerer answerer;
        SeenBox box;
        answerer.pressButton(QMessageBox::Ok, &box);

        session.pressConnect();
        QVERIFY(answerer.waitUntilAnswered());
        const qint64 holderId = holder.processId();
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(box.title, QStringLiteral("Cannot open %1").arg(port));
        const QString program
            = QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15);
        QCOMPARE(box.text,
            QStringLiteral("%1 is in use by another program: %2 (process %3). Close it, then press "
                           "Connect.")
                .arg(port, program)
                .arg(holderId));
        QCOMPARE(session.status(), QStringLiteral("device failed to open"));
        QCOMPARE(session.connectButton()->text(), QStringLiteral("Connect"));
        QVERIFY(session.connectButton()->isEnabled());
        QCOMPARE(session.simulator.received(), QByteArray());
    }

    // With no FTDI port listed the status says so and "Why?" gives the likely cause from what
    // the USB bus shows.
    void missingFixtureIsExplained()
    {
        QTemporaryDir root;
        setSystemViewForTesting({ root.path(), std::nullopt });
        QCOMPARE(noFixtureText(usbFacts(), Platform::Linux),
            QStringLiteral("The computer sees no FTDI USB device, so no KR-5M-LD-CV-LNK is "
                           "connected. Check the USB cable at both ends (some cables carry power "
                           "only, no data) and try another USB port."));
        QVERIFY(
            writeFile(root.filePath(QStringLiteral("sys/bus/usb/devices/1-2/idVendor")), "0403\n"));
        QVERIFY(
            writeFile(root.filePath(QStringLiteral("sys/bus/usb/devices/1-1/idVendor")), "1d6b\n"));
        QCOMPARE(noFixtureText(usbFacts(), Platform::Linux),
            QStringLiteral("An FTDI USB device, as the KR-5M-LD-CV-LNK is, is plugged in, but the "
                           "FTDI serial driver (ftdi_sio) is not loaded. Load it, then unplug the "
                           "fixture and plug it in again:\n\nsudo modprobe ftdi_sio\n\nIf that "
                           "fails, the kernel's extra modules are missing (on Ubuntu: sudo apt "
                           "install linux-modules-extra-$(uname -r))."));
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("sys/module/ftdi_sio"))));
        QCOMPARE(noFixtureText(usbFacts(), Platform::Linux),
            QStringLiteral("An FTDI USB device, as the KR-5M-LD-CV-LNK is, is plugged in, but no "
                           "serial port appeared for it. Unplug the fixture and plug it in again; "
                           "if still no port appears, the system log (sudo dmesg) says why."));
        QVERIFY(writeFile(
            root.filePath(QStringLiteral("usr/lib/udev/rules.d/85-brltty.rules")), "#\n"));
        QCOMPARE(noFixtureText(usbFacts(), Platform::Windows),
            QStringLiteral("No FTDI serial port is listed. Windows needs FTDI's VCP driver for the "
                           "KR-5M-LD-CV-LNK: Windows Update usually installs it when the fixture "
                           "is plugged in; otherwise install the \"VCP driver\" from FTDI. Then "
                           "the fixture appears in Device Manager under Ports (COM & LPT) as \"USB "
                           "Serial Port (COMn)\"."));

        FixtureSession session;
        session.listedPorts.clear();
        auto *ports = session.widget<QComboBox>("calibrationDlgCB_comport");
        auto *why = session.widget<QToolButton>("infobarTB_why");
        ports->showPopup();
        ports->hidePopup();
        QCOMPARE(ports->count(), 0);
        QCOMPARE(session.status(), noFixtureStatus);
        QVERIFY(why->isVisible());
        BoxAnswerer answerer;
        SeenBox box;
        answerer.pressButton(QMessageBox::Ok, &box);
        QTest::mouseClick(why, Qt::LeftButton);
        QVERIFY(answerer.waitUntilAnswered());
        QCOMPARE(box.title, QStringLiteral("No KR-5M-LD-CV-LNK found"));
        QCOMPARE(box.text,
            QStringLiteral("An FTDI USB device, as the KR-5M-LD-CV-LNK is, is plugged in, but no "
                           "serial port appeared for it: the braille-display service brltty claims "
                           "such devices. If no braille display is used on this computer, remove "
                           "it, then unplug the fixture and plug it in again:\n\nsudo apt remove "
                           "brltty"));
    }

    // A fixture plugged in after the dialog opened is offered when the drop-down opens, and the
    // port chosen stays chosen while it is there.
    void portsAreReadAgainWhenTheListOpens()
    {
        FixtureSession session;
        auto *ports = session.widget<QComboBox>("calibrationDlgCB_comport");
        session.listedPorts.clear();
        ports->showPopup();
        ports->hidePopup();
        QCOMPARE(session.status(), noFixtureStatus);

        session.listedPorts = QStringList { "/dev/ttyUSB0", "/dev/ttyUSB1" };
        ports->showPopup();
        ports->hidePopup();
        QCOMPARE(ports->count(), 2);
        QCOMPARE(session.status(),
            QStringLiteral("User must select correct port from dropdown box and press connect."));
        QVERIFY(!session.widget<QToolButton>("infobarTB_why")->isVisible());
        ports->setCurrentText(QStringLiteral("/dev/ttyUSB1"));
        session.listedPorts = QStringList { "/dev/ttyUSB1", "/dev/ttyUSB2" };
        ports->showPopup();
        ports->hidePopup();
        QCOMPARE(ports->currentText(), QStringLiteral("/dev/ttyUSB1"));
        QCOMPARE(ports->itemText(1), QStringLiteral("/dev/ttyUSB2"));
    }

    // Unplugged while the dialog waits for a choice, the fixture is missed at once: no command
    // has to fail first.
    void unplugWhileRestingIsNoticed()
    {
        FixtureSession session;
        QVERIFY(session.identify());
        BoxAnswerer answerer(std::chrono::seconds(5));
        SeenBox lost;
        answerer.pressButton(QMessageBox::Ok, &lost);

        session.simulator.hangUp();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(3)));
        QCOMPARE(lost.title, QStringLiteral("Fixture disconnected"));
        QCOMPARE(session.simulator.received(), FixtureSession::identificationBytes());
        QCOMPARE(session.connectButton()->text(), QStringLiteral("Connect"));
    }
};

int main(int argc, char *argv[])
{
    if (argc == 3 && (qstrcmp(argv[1], openMode) == 0 || qstrcmp(argv[1], holdMode) == 0)) {
        QCoreApplication app(argc, argv);
        const QString port = QString::fromLocal8Bit(argv[2]);
        return qstrcmp(argv[1], openMode) == 0 ? sayWhyItWillNotOpen(port) : holdPort(port);
    }
    QApplication app(argc, argv);
    PortProblemsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portproblems.moc"
