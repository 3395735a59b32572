#include "boxanswerer.h"
#include "fixturesession.h"
#include "offeredports.h"
#include "recordsreading.h"
#include "runevents.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <csignal>

namespace {
constexpr char calibrateAndStore[] = "--calibrate-and-store";

bool isSaveStep(const QByteArray &stage)
{
    return stage.endsWith('=');
}

// Runs the technician's path towards the given stage: identification, a validation, or a
// calibration whose constants the technician chooses to store. False when identification did
// not end.
bool startTowards(FixtureSession &session, const QByteArray &stage)
{
    if (stage == "vr") {
        session.pressConnect();
        return true;
    }
    if (!session.identify())
        return false;
    if (stage.startsWith('C') || isSaveStep(stage))
        session.startCalibration();
    else
        session.startValidation();
    return true;
}

bool lastCommandStartsWith(const FixtureSession &session, const QByteArray &stage)
{
    const QList<QByteArray> commands = session.simulator.commands();
    return !commands.isEmpty() && commands.constLast().startsWith(stage);
}
}

// A fixture that is unplugged, noisy, flooding, slow or closed on: the dialog must end each case
// in a clear message or a quiet time-out, stay closable, and never write after it let go.
class RobustnessTest : public QObject
{
    Q_OBJECT

private slots:

    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal")));
        removeRecords();
    }

    void unpluggedFixtureIsReported_data()
    {
        QTest::addColumn<QByteArray>("hangUpOn");
        QTest::addColumn<bool>("whileSaving");
        QTest::newRow("identification") << QByteArray("vr") << false;
        QTest::newRow("validation") << QByteArray("V3") << false;
        QTest::newRow("calibration") << QByteArray("C2") << false;
        QTest::newRow("save sequence") << QByteArray("bc=") << true;
    }

    void unpluggedFixtureIsReported()
    {
        QFETCH(QByteArray, hangUpOn);
        QFETCH(bool, whileSaving);
        SimulatorOptions options = calibratableSensor();
        options.hangUpOn = hangUpOn;
        FixtureSession session(options);
        BoxAnswerer answerer(std::chrono::seconds(10));
        if (whileSaving)
            answerer.pressButton(QMessageBox::Yes);
        SeenBox disconnected;
        answerer.pressButton(
            QMessageBox::Ok, &disconnected, BoxAnswerer::titled("Fixture disconnected"));

        QVERIFY(startTowards(session, hangUpOn));
        QVERIFY(QTest::qWaitFor([&] { return !disconnected.title.isEmpty(); }, 15000));

        QVERIFY(QFileInfo::exists(session.simulator.portPath()) == false);
        QCOMPARE(disconnected.text.contains("may not have been stored"), whileSaving);
        if (whileSaving) {
            QTRY_COMPARE(recordedKinds(),
                (QStringList { "identified", "calibration: computed", "store", "save step",
                    "save step", "save result: not confirmed", "ended" }));
            QCOMPARE(
                keptText(
                    lastRecorded(EventKind::store).payload.value(QLatin1String(Key::oldSlope))),
                QStringLiteral("0.969556"));
        }
        QVERIFY(QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }));
        QCOMPARE(session.connectButton()->text(), QStringLiteral("Connect"));
        QVERIFY(session.connectButton()->isEnabled());
        QVERIFY(session.waitIdle());
        const QByteArray sent = session.simulator.received();
        QTest::qWait(5 * testTickMs);
        QCOMPARE(session.simulator.received(), sent);
        session.pressClose();
        QVERIFY(!session.dialog->isVisible());
    }

    // Unplugged and plugged back in, the fixture comes back as another port: when Connect is
    // pressed for a port that has gone, and after the message that it was lost, the list is read
    // again.
    void fixtureBackUnderANewPortIsOffered()
    {
        FixtureSession session;
        FixtureSimulator other;
        QVERIFY(other.start());
        auto *ports = session.widget<QComboBox>("calibrationDlgCB_comport");
        const QString firstPort = session.simulator.portPath();
        const QString otherPort = other.portPath();

        session.listedPorts = QStringList { otherPort };
        session.pressConnect();
        QCOMPARE(session.status(),
            QStringLiteral("Choose the KR-5M-LD-CV-LNK's port, %1, and press Connect.")
                .arg(otherPort));
        QCOMPARE(ports->currentText(), otherPort);
        QCOMPARE(session.simulator.received(), QByteArray());
        QVERIFY(session.identify());
        QCOMPARE(other.received(), FixtureSession::identificationBytes());

        BoxAnswerer answerer;
        answerer.pressButton(QMessageBox::Ok, nullptr, BoxAnswerer::titled("Fixture disconnected"));
        session.listedPorts = QStringList { firstPort, "/dev/ttyUSB7" };
        other.hangUp();
        session.startValidation();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(5)));

        QCOMPARE(session.status(),
            QStringLiteral(
                "Choose the KR-5M-LD-CV-LNK's port, %1 or /dev/ttyUSB7, and press Connect.")
                .arg(firstPort));
        QCOMPARE(ports->count(), 2);
        QVERIFY(session.identify());
        QCOMPARE(session.simulator.received(), FixtureSession::identificationBytes());
    }

    // Device text is shown as it came, never as markup.
    void nulBytesGarbageAndMarkupDoNotDerail()
    {
        SimulatorOptions options;
        options.sensorSerial = "<b>517</b>";
        FixtureSession session(options);
        session.simulator.queueReply(
            "sn", QByteArray("\0\x01\xff garbage\0Serial Number = 1047\r\n", 35));
        session.simulator.queueReply("vr", QByteArray("\x80\x81\x82\r\n"));

        QVERIFY(session.identify());

        // The text of a reply ends at its first NUL; the keyword is still found in the bytes.
        QVERIFY(session.field("calLE_SN")->text().isEmpty());
        QCOMPARE(session.simulator.commands().count("vr"), 2);
        QCOMPARE(session.field("calLE_Version")->text(), QStringLiteral(" 1.2\r\n"));
        QCOMPARE(session.field("calLE_TARNEL_SN")->text(), QStringLiteral(" <b>517</b>\r\n"));
        QCOMPARE(session.widget<QLabel>("infobar_status")->textFormat(), Qt::PlainText);
    }

    void floodWithoutLineEndIsDroppedAndAskedAgain()
    {
        FixtureSession session;
        session.simulator.queueReply("TO", QByteArray(20000, 'x'));

        QVERIFY(session.identify());

        QVERIFY(session.simulator.commands().count("to") >= 1);
        QCOMPARE(session.field("calLE_TARNEL_SN")->text(), QStringLiteral(" 517\r\n"));
    }

    void slowFixtureTimesOutAndCanBeAskedAgain()
    {
        SimulatorOptions options;
        options.replyDelayMs = 6 * testTickMs;
        FixtureSession session(options);

        session.pressConnect();
        QVERIFY(session.waitIdle(std::chrono::milliseconds(10 * testTickMs)));
        QTest::qWait(6 * testTickMs);
        // The late reply found the dialogue resting and was not taken.
        QCOMPARE(session.simulator.received(), QByteArray("rs\r"));
        QCOMPARE(session.connectButton()->text(), QStringLiteral("Connect"));

        session.simulator.options().replyDelayMs = 0;
        QVERIFY(session.identify());
    }

    void closeAtEachStageSilencesThePort_data()
    {
        QTest::addColumn<QByteArray>("stage");
        QTest::newRow("identification") << QByteArray("vr");
        QTest::newRow("validation") << QByteArray("V2");
        QTest::newRow("calibration") << QByteArray("C2");
        QTest::newRow("save sequence") << QByteArray("mc=");
    }

    void closeAtEachStageSilencesThePort()
    {
        QFETCH(QByteArray, stage);
        FixtureSession session(calibratableSensor());
        BoxAnswerer answerer;
        if (isSaveStep(stage))
            answerer.pressButton(QMessageBox::Yes);

        QVERIFY(startTowards(session, stage));
        QVERIFY(QTest::qWaitFor([&] { return lastCommandStartsWith(session, stage); }, 15000));
        session.pressClose();
        const QByteArray sent = session.simulator.received();
        QTest::qWait(8 * testTickMs);

        QCOMPARE(session.simulator.received(), sent);
        QVERIFY(!session.dialog->isVisible());
        QVERIFY(!QApplication::overrideCursor());
    }

    // Records that cannot be written are told once and the run goes on; but the sensor's
    // present constants are not replaced unless the technician says so, knowing they are on
    // record nowhere.
    void unwritableRecordsStopTheStoreStep_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("not stored") << QMessageBox::No;
        QTest::newRow("stored anyway") << QMessageBox::Yes;
    }

    void unwritableRecordsStopTheStoreStep()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        // The records' folder is a plain file: nothing can be written under it, not even by root.
        const QString folder = QFileInfo(RecordsDatabase::defaultPath()).absolutePath();
        QDir().mkpath(QFileInfo(folder).absolutePath());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        FixtureSession session(calibratableSensor());
        BoxAnswerer answerer;
        int warnings = 0;
        answerer.answerNext(
            [&](QWidget *modal) {
                ++warnings;
                static_cast<QMessageBox *>(modal)->accept();
            },
            BoxAnswerer::titled("Calibration records"));
        SeenBox notSaved;
        answerer.pressButton(QMessageBox::Yes);
        answerer.pressButton(
            answer, &notSaved, BoxAnswerer::titled("Calibration record not saved"));
        if (answer == QMessageBox::Yes)
            answerer.pressButton(QMessageBox::Cancel);

        QVERIFY(session.identify());
        // The warning comes when the first event cannot be written; a technician reads it before
        // going on.
        QVERIFY(QTest::qWaitFor([&] { return warnings == 1; }, 5000));
        session.startCalibration();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(20)));
        QVERIFY(session.waitIdle());

        QCOMPARE(warnings, 1);
        QVERIFY(answerer.problems().isEmpty());
        QVERIFY2(
            notSaved.text.startsWith(QStringLiteral(
                "The calibration record could not be saved: Cannot open the calibration records ")),
            qPrintable(notSaved.text));
        const QString presentOffset = QString::number(SimulatorOptions().bc, 'f', 5);
        QVERIFY2(notSaved.text.endsWith(
                     QStringLiteral(". The sensor's present constants (MC 0.969556, BC %1) would "
                                    "then be on record nowhere. Store the new constants anyway?")
                         .arg(presentOffset)),
            qPrintable(notSaved.text));
        QCOMPARE(notSaved.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(notSaved.defaultButton, QMessageBox::No);
        const bool stored = answer == QMessageBox::Yes;
        QCOMPARE(session.simulator.received().contains("mc="), stored);
        QCOMPARE(session.simulator.mc() == 1.7452, stored);
        if (!stored) {
            QCOMPARE(session.status(),
                QStringLiteral("Choose Calibration or Validation, then Continue"));
            QVERIFY(session.runEnabled());
        }
        QFile::remove(folder);
    }

    // The program dies the moment the first new constant would reach the sensor: the constants
    // the sensor held are in the records already.
    void killedAsTheConstantsGoOutLeavesTheOldOnRecord()
    {
        FixtureSimulator simulator(calibratableSensor());
        QVERIFY(simulator.start());
        QProcess technician;
        QObject::connect(
            &simulator, &FixtureSimulator::commandReceived, [&](const QByteArray &command) {
                if (command.startsWith("mc="))
                    ::kill(pid_t(technician.processId()), SIGKILL);
            });
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        technician.setProcessEnvironment(environment);
        technician.start(
            QCoreApplication::applicationFilePath(), { calibrateAndStore, simulator.portPath() });
        QVERIFY(technician.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return technician.state() == QProcess::NotRunning; }, 30000));

        QCOMPARE(technician.exitStatus(), QProcess::CrashExit);
        QVERIFY(simulator.commands().value(simulator.commands().size() - 1).startsWith("mc="));
        const RecordEvent store = lastRecorded(EventKind::store);
        QCOMPARE(keptText(store.payload.value(QLatin1String(Key::oldSlope))),
            QStringLiteral("0.969556"));
        QCOMPARE(keptText(store.payload.value(QLatin1String(Key::oldOffset))),
            QString::number(SimulatorOptions().bc, 'f', 5));
        QCOMPARE(store.payload.value(QLatin1String(Key::newSlope)).toString(),
            QStringLiteral("1.745200"));
    }
};

// The technician's side of the test that kills it: identifies the sensor on the port, runs a
// calibration and answers Yes to storing its constants, then waits to be killed.
int calibrateAndStoreUntilKilled(const QString &port)
{
    CalibrationDlg dialog(nullptr, offeredPorts(QStringList { port }));
    dialog.show();
    Technician technician(&dialog);
    BoxAnswerer answerer;
    answerer.pressButton(QMessageBox::Yes);
    if (!technician.identify())
        return 1;
    technician.startCalibration();
    return QApplication::exec();
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useTestSettings();
    if (argc == 3 && qstrcmp(argv[1], calibrateAndStore) == 0)
        return calibrateAndStoreUntilKilled(QString::fromLocal8Bit(argv[2]));
    RobustnessTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_robustness.moc"
