#include "boxanswerer.h"
#include "fixturesession.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

// Identification of the fixture and the sensor, end to end over a pseudo-terminal.
class IdentificationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettings(); }
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal"))); }

    void identificationAsksEachQuestionOnceAndFillsEveryField_data()
    {
        QTest::addColumn<int>("splitChunk");
        QTest::newRow("whole replies") << 0;
        QTest::newRow("replies in pieces of 3 bytes") << 3;
    }

    void identificationAsksEachQuestionOnceAndFillsEveryField()
    {
        QFETCH(int, splitChunk);
        SimulatorOptions options;
        options.splitChunk = splitChunk;
        FixtureSession session(options);

        QVERIFY(session.identify());

        QCOMPARE(session.simulator.received(), FixtureSession::identificationBytes());
        const QStringList expectedStatus {
            "Initializing sensor",
            "Found Validation Device",
            "KR-5M-LD - has 30 minute timeout",
            "KR-5M-LD-CV-LNK - found serial number",
            "KR-5M-LD-CV-LNK Version obtained",
            "KR-5M-LD-CV-LNK - found Calibration Date",
            "KR-5M-LD - found serial number",
            "KR-5M-LD-CV-LNK Version obtained",
            "KR-5M-LD - found Calibration Date",
            "Slope Acquired",
        };
        QCOMPARE(session.statusAtCommand, expectedStatus);
        QCOMPARE(session.status(),
            QStringLiteral("Choose Validation or Calibration button, then Continue"));

        // Values are the untrimmed rest of each reply, line end included.
        QCOMPARE(session.field("calLE_Type")->text(), QStringLiteral("KR-5M-LD-CV-LNK"));
        QCOMPARE(session.field("calLE_SN")->text(), QStringLiteral(" 1047\r\n"));
        QCOMPARE(session.field("calLE_Version")->text(), QStringLiteral(" 1.2\r\n"));
        QCOMPARE(session.field("calLE_CALDATE")->text(), QStringLiteral(" 01/10/12\r\n"));
        QCOMPARE(session.field("calLE_TARNEL")->text(), QStringLiteral("KR-5M-LD"));
        QCOMPARE(session.field("calLE_TARNEL_SN")->text(), QStringLiteral(" 517\r\n"));
        QCOMPARE(session.field("calLE_TARNEL_VER")->text(), QStringLiteral(" 0.87\r\n"));
        QCOMPARE(session.field("calLE_TARNEL_CAL")->text(), QStringLiteral("06/14/12\r\n"));
        QCOMPARE(session.field("calLE_OldCslp")->text().trimmed(),
            QString::number(session.simulator.mc(), 'f', 6));
        QCOMPARE(session.field("calLE_OldCoff")->text().trimmed(),
            QString::number(session.simulator.bc(), 'f', 5));

        QVERIFY(session.widget<QRadioButton>("Validate_RB")->isVisible());
        QVERIFY(session.widget<QRadioButton>("Calibrate_RB")->isVisible());
        QVERIFY(session.field("calLE_Step5")->isVisible());
        QVERIFY(session.waitIdle());
    }

    void garbledReplyAsksTheAwaitedDeviceAgain_data()
    {
        QTest::addColumn<QByteArray>("garbledCommand");
        QTest::addColumn<QByteArray>("resentCommand");
        QTest::newRow("fixture model") << QByteArray("rs") << QByteArray("RS");
        QTest::newRow("timeout") << QByteArray("TO") << QByteArray("to");
        QTest::newRow("fixture serial") << QByteArray("sn") << QByteArray("sn");
        QTest::newRow("fixture version") << QByteArray("vr") << QByteArray("vr");
        QTest::newRow("sensor serial") << QByteArray("in") << QByteArray("in");
        QTest::newRow("sensor version") << QByteArray("iv") << QByteArray("iv");
        QTest::newRow("slope") << QByteArray("mc") << QByteArray("mc");
        QTest::newRow("offset") << QByteArray("bc") << QByteArray("bc");
    }

    void garbledReplyAsksTheAwaitedDeviceAgain()
    {
        QFETCH(QByteArray, garbledCommand);
        QFETCH(QByteArray, resentCommand);
        FixtureSession session;
        session.simulator.queueReply(garbledCommand, "#~ line noise ~#\r\n");

        QVERIFY(session.identify());

        QByteArray expected = FixtureSession::identificationBytes();
        const QByteArray garbled = garbledCommand + '\r';
        expected.insert(expected.indexOf(garbled) + garbled.size(), resentCommand + '\r');
        QCOMPARE(session.simulator.received(), expected);
        const qsizetype resend = session.simulator.commands().indexOf(garbledCommand) + 1;
        QCOMPARE(session.statusAtCommand.at(resend), QStringLiteral("Resend command"));
        // The sensor's fields never hold the fixture's answers.
        QCOMPARE(session.field("calLE_TARNEL_SN")->text(), QStringLiteral(" 517\r\n"));
        QCOMPARE(session.field("calLE_TARNEL_VER")->text(), QStringLiteral(" 0.87\r\n"));
    }

    void twoRepliesInOneReadAreOneBuffer()
    {
        FixtureSession session;
        session.simulator.queueReply("sn", "Serial Number = 1047\r\nVersion 9.9\r\n");

        QVERIFY(session.identify());

        // Both lines were taken as one reply, and one clear removed both: the version comes from
        // the reply to its own question.
        QCOMPARE(session.field("calLE_SN")->text(), QStringLiteral(" 1047\r\nVersion 9.9\r\n"));
        QCOMPARE(session.field("calLE_Version")->text(), QStringLiteral(" 1.2\r\n"));
        QCOMPARE(session.simulator.received(), FixtureSession::identificationBytes());
    }

    void calibrationDateIsTakenByItsForm()
    {
        {
            FixtureSession session;
            session.simulator.queueReply("cd", "CALIBRATION DATE=07/01/26\r\n");
            QVERIFY(session.identify());
            QCOMPARE(session.field("calLE_TARNEL_CAL")->text(), QStringLiteral("07/01/26\r\n"));
            QVERIFY(session.field("calLE_CALDATE")->text().isEmpty());
            QCOMPARE(session.simulator.received(), QByteArray("rs\rTO\rsn\rvr\rcd\rmc\rbc\r"));
        }
        {
            FixtureSession session;
            session.simulator.queueReply("ic", "CALIBRATION DATE(MM/DD/YY) = 02/02/22\r\n");
            QVERIFY(session.identify());
            QCOMPARE(session.field("calLE_CALDATE")->text(), QStringLiteral(" 02/02/22\r\n"));
            QCOMPARE(session.simulator.received(),
                QByteArray("rs\rTO\rsn\rvr\rcd\rin\riv\ric\rin\riv\ric\rmc\rbc\r"));
        }
    }

    void dateLineIsReadTogetherWithTheLineBeforeIt_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("firstRead");
        QTest::addColumn<QByteArray>("laterRead");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("date");
        QTest::newRow("fixture") << QByteArray("cd")
                                 << QByteArray("noise\r\nCALIBRATION DATE(MM/DD")
                                 << QByteArray("/YY) = 01/10/12\r\n") << "calLE_CALDATE"
                                 << " 01/10/12\r\n";
        QTest::newRow("sensor") << QByteArray("ic") << QByteArray("noise\r\nCALIBRATION DA")
                                << QByteArray("TE=06/14/12\r\n") << "calLE_TARNEL_CAL"
                                << "06/14/12\r\n";
    }

    // A complete line without a date stays in the buffer: the date line it was sent with may still
    // be arriving.
    void dateLineIsReadTogetherWithTheLineBeforeIt()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, firstRead);
        QFETCH(QByteArray, laterRead);
        QFETCH(QString, field);
        QFETCH(QString, date);
        FixtureSession session;
        session.simulator.queueReply(command, firstRead);
        QObject::connect(&session.simulator, &FixtureSimulator::commandReceived,
            [&](const QByteArray &received) {
                if (received == command)
                    QTimer::singleShot(testTickMs, [&] { session.simulator.writeRaw(laterRead); });
            });

        QVERIFY(session.identify());

        QCOMPARE(session.field(qPrintable(field))->text(), date);
        QCOMPARE(session.simulator.received(), FixtureSession::identificationBytes());
    }

    void firmwareCheck_data()
    {
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("0.85 is the oldest accepted") << QByteArray("0.85") << true;
        QTest::newRow("0.84") << QByteArray("0.84") << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("not a number") << QByteArray("beta") << false;
    }

    void firmwareCheck()
    {
        QFETCH(QByteArray, firmware);
        QFETCH(bool, accepted);
        SimulatorOptions options;
        options.firmware = firmware;
        FixtureSession session(options);
        BoxAnswerer answerer;
        SeenBox refusal;
        answerer.pressButton(QMessageBox::Ok, &refusal);

        session.pressConnect();

        if (accepted) {
            QVERIFY(QTest::qWaitFor([&] { return session.connectButton()->text() == "Continue"; }));
            QCOMPARE(answerer.pending(), 1);
            return;
        }
        QVERIFY(answerer.waitUntilAnswered());
        QCOMPARE(refusal.title, QStringLiteral("Error: cannot continue"));
        QCOMPARE(refusal.text,
            QStringLiteral(
                "The Unit Under Test has non-compatible firmware installed. Please contact "
                "factory for resolution."));
        QVERIFY(QTest::qWaitFor([&] { return !session.dialog->isVisible(); }));
        QCOMPARE(session.dialog->result(), int(QDialog::Rejected));
        QVERIFY(session.waitIdle());
        QTest::qWait(5 * testTickMs);
        QCOMPARE(session.simulator.received(), QByteArray("rs\rTO\rsn\rvr\rcd\rin\riv\r"));
    }

    void onlyFtdiPortsAreOfferedAndAFailedOpenLetsTheUserPickAgain()
    {
        CalibrationDlg dialog(nullptr,
            PortAccess { [] {
                            return QList<PortInfo> { { "ttyS0", "" },
                                { "/dev/no-such-fixture", "FTDIBUS" }, { "ttyACM0", "ftdibus" } };
                        },
                openSerialPort });
        dialog.show();
        auto *connectButton = dialog.findChild<QPushButton *>("calibrationPB_Connect");
        auto *ports = dialog.findChild<QComboBox *>("calibrationDlgCB_comport");
        QCOMPARE(ports->count(), 1);
        QCOMPARE(ports->currentText(), QStringLiteral("/dev/no-such-fixture"));

        BoxAnswerer answerer;
        SeenBox cannotOpen;
        answerer.pressButton(QMessageBox::Ok, &cannotOpen);
        QTest::mouseClick(connectButton, Qt::LeftButton);

        QVERIFY(answerer.waitUntilAnswered());
        QCOMPARE(cannotOpen.title, QStringLiteral("Cannot open /dev/no-such-fixture"));
        QCOMPARE(cannotOpen.text,
            QStringLiteral("/dev/no-such-fixture is no longer there: the fixture was unplugged, or "
                           "its cable came loose. Plug it in, choose its port from the list and "
                           "press Connect."));
        QCOMPARE(dialog.findChild<QLabel *>("infobar_status")->text(),
            QStringLiteral("device failed to open"));
        QCOMPARE(connectButton->text(), QStringLiteral("Connect"));
        QVERIFY(connectButton->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QTest::mouseClick(dialog.findChild<QPushButton *>("CalibrationPB_Close"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!QApplication::overrideCursor());
    }

    void secondConnectReplacesTheFirstPort()
    {
        SimulatorOptions options;
        options.silent = true;
        FixtureSession session(options);
        session.pressConnect();
        QVERIFY(session.waitForCommandCount(1));
        session.simulator.options().silent = false;

        // The port is opened exclusively: the second open only succeeds if the first was released.
        QVERIFY(session.identify());
        QCOMPARE(session.simulator.received(), "rs\r" + FixtureSession::identificationBytes());
        QVERIFY(session.waitIdle());
    }
};

QTEST_MAIN(IdentificationTest)
#include "tst_identification.moc"
