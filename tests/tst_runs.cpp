#include "boxanswerer.h"
#include "calibrationmath.h"
#include "fixturesession.h"
#include "recordsreading.h"
#include "runevents.h"

#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>

namespace {
QByteArray validationBytes()
{
    // The sensor starts outside raw value mode: the toggle is sent until it reports off again.
    return "rw\rrw\rV1\rV1\rV2\rV3\rV4\rV5\r";
}

QByteArray calibrationBytes(const char *rawModeCommand)
{
    return QByteArray(rawModeCommand) + "C1\rC1\rC1\rC1\rC1\rC1\rC2\rC2\rC2\rC2\rC2\rC2\r";
}

QByteArray bytesAfterIdentification(const FixtureSession &session)
{
    return session.simulator.received().mid(FixtureSession::identificationBytes().size());
}

SimulatorOptions sensorWithSamples(QList<int> low, QList<int> high)
{
    SimulatorOptions options;
    options.lowSamples = std::move(low);
    options.highSamples = std::move(high);
    return options;
}
}

Q_DECLARE_METATYPE(SimulatorOptions)

// Validation and calibration runs and the storing of new constants, end to end over a
// pseudo-terminal.
class RunsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettings(); }
    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal")));
        removeRecords();
    }
    void cleanup() { useTestSettings(); }

    void passingValidationOffersSave_data()
    {
        QTest::addColumn<int>("framing");
        for (int framing = 1; framing <= measurementFramingCount; ++framing)
            QTest::addRow("framing %d", framing) << framing;
    }

    // However the fixture frames its answers, and even when its notice looks like a reading, each
    // step shows exactly the reading the sensor sent.
    void passingValidationOffersSave()
    {
        QFETCH(int, framing);
        SimulatorOptions options;
        options.framing = MeasurementFraming(framing);
        options.notice = "Sampling COND 999pS/m, wait";
        FixtureSession session(options);
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        SeenBox box;
        answerer.pressButton(QMessageBox::Cancel, &box);

        session.startValidation();
        QVERIFY(!session.connectButton()->isEnabled());
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));

        QCOMPARE(bytesAfterIdentification(session), validationBytes());
        QCOMPARE(box.title, QStringLiteral("User Input Necessary"));
        QCOMPARE(box.text,
            QStringLiteral(
                "In order to print a hard copy, saving is necessary. Do you want to save "
                "this to a file"));
        QCOMPARE(box.buttons, QMessageBox::Save | QMessageBox::Cancel);
        QCOMPARE(session.status(), QStringLiteral("Validation Complete"));
        const QList<QByteArray> commands = session.simulator.commands();
        for (int step = 1; step < validationStepCount; ++step)
            QCOMPARE(
                session.statusAtCommand.at(commands.indexOf("V" + QByteArray::number(step + 1))),
                QStringLiteral("Acquired Step %1, continuing to sample").arg(step));
        const QStringList expected { "2.8", "120", "600", "1000", "1700" };
        for (int step = 1; step <= 5; ++step) {
            const QLineEdit *field
                = session.field(qPrintable(QStringLiteral("calLE_Step%1").arg(step)));
            QCOMPARE(field->text(), expected.at(step - 1));
            QCOMPARE(FixtureSession::baseColour(field), QColor(Qt::green));
        }
        QVERIFY(session.runEnabled());
        QVERIFY(session.waitIdle());
    }

    // On a dark desktop too: the step values stay dark on their colours.
    void failedStepOffersCalibrationAndNoEndsTheRun()
    {
        const QPalette original = QApplication::palette();
        QPalette dark = original;
        dark.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
        dark.setColor(QPalette::Text, QColor(0xfc, 0xfc, 0xfc));
        QApplication::setPalette(dark);
        const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
        SimulatorOptions options;
        options.failStep = 3;
        FixtureSession session(options);
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        SeenBox box;
        answerer.pressButton(QMessageBox::No, &box);

        session.startValidation();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));

        QCOMPARE(
            box.text, QStringLiteral("Validation has failed at least one step. Go to Calibration"));
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(FixtureSession::baseColour(session.field("calLE_Step3")), QColor(Qt::red));
        QCOMPARE(FixtureSession::baseColour(session.field("calLE_Step2")), QColor(Qt::green));
        QCOMPARE(FixtureSession::baseColour(session.field("calLE_Step4")), QColor(Qt::green));
        for (const char *step : { "calLE_Step2", "calLE_Step3" }) {
            const QPalette palette = session.field(step)->palette();
            QCOMPARE(palette.color(QPalette::Active, QPalette::Text), QColor(Qt::black));
            QCOMPARE(palette.color(QPalette::Inactive, QPalette::Text), QColor(Qt::black));
        }
        QVERIFY(session.runEnabled());
        QCOMPARE(bytesAfterIdentification(session), validationBytes());

        // The failure belonged to that run only: a passing run next offers Save.
        session.simulator.options().failStep = 0;
        answerer.pressButton(QMessageBox::Cancel, &box);
        session.startValidation();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));
        QCOMPARE(box.buttons, QMessageBox::Save | QMessageBox::Cancel);
        QVERIFY(session.waitIdle());
    }

    void calibrationStoresConstantsThatThenValidate()
    {
        // Stored constants that do not fit these counts: the first validation fails.
        FixtureSession session(
            sensorWithSamples({ 100, 101, 102, 103, 104 }, { 1100, 1101, 1102, 1103, 1104 }));
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        SeenBox failed, store, passed;
        answerer.pressButton(QMessageBox::Yes, &failed);
        answerer.pressButton(QMessageBox::Yes, &store);
        answerer.pressButton(QMessageBox::Cancel, &passed);

        session.startValidation();
        QVERIFY(QTest::qWaitFor([&] { return answerer.pending() == 1; }, 15000));
        // The low and the high averages, and the constants they give.
        QCOMPARE(session.field("calLE_Step1")->text(), QStringLiteral("102"));
        QCOMPARE(session.field("calLE_Step2")->text(), QStringLiteral("1102"));
        QCOMPARE(session.field("calLE_NewCslp")->text(), QStringLiteral("1.745200"));
        QCOMPARE(session.field("calLE_NewCoff")->text(), QStringLiteral("-175.21040"));
        QCOMPARE(store.title, QStringLiteral("Important Information"));
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(15)));
        QCOMPARE(store.informativeText,
            QStringLiteral("The new slope MC differs from the present one by 80.0 %. Check the "
                           "standard solutions and the cell before storing."));

        const QByteArray today
            = QDate::currentDate().toString(QStringLiteral("MM/dd/yy")).toLatin1();
        const QByteArray expected = validationBytes() + calibrationBytes("RW\r") + "mc=1.745200\r"
            + "bc=-175.21040\r" + "ic=" + today + "\r\r" + "sv\r" + "rw\r"
            + "V1\rV1\rV2\rV3\rV4\rV5\r";
        QCOMPARE(bytesAfterIdentification(session), expected);

        // The save steps are paced by the response timer, three ticks apart.
        const QList<QByteArray> commands = session.simulator.commands();
        const QList<qint64> times = session.simulator.commandTimesMs();
        const qsizetype slope = commands.indexOf("mc=1.745200");
        for (qsizetype step = slope; step < slope + 3; ++step) {
            const qint64 gap = times.at(step + 1) - times.at(step);
            QVERIFY2(gap >= 3 * testTickMs - testTickMs / 2, qPrintable(QString::number(gap)));
        }
        QCOMPARE(session.statusAtCommand.at(slope), QStringLiteral("Saving MC, please wait..."));
        QCOMPARE(
            session.statusAtCommand.at(slope + 1), QStringLiteral("Saving BC, please wait..."));
        QCOMPARE(session.statusAtCommand.at(slope + 2),
            QStringLiteral("Saving Calibration Date, please wait..."));
        QCOMPARE(session.statusAtCommand.at(slope + 4), QStringLiteral("Saving complete"));

        // The sensor now holds the new constants, and they validate.
        QCOMPARE(session.simulator.mc(), 1.7452);
        QCOMPARE(session.simulator.sensorCalDate(), today);
        QCOMPARE(passed.buttons, QMessageBox::Save | QMessageBox::Cancel);
        for (int step = 1; step <= 5; ++step)
            QCOMPARE(FixtureSession::baseColour(
                         session.field(qPrintable(QStringLiteral("calLE_Step%1").arg(step)))),
                QColor(Qt::green));
        QVERIFY(session.field("calLE_NewCslp")->isVisible());
        QCOMPARE(session.widget<QLabel>("label_3")->text(), QStringLiteral("VALIDATION VALUES"));
        QVERIFY(session.waitIdle());

        // The sensor as found, the adjustment with what it replaced, and the sensor as left.
        QTRY_COMPARE(recordedKinds(),
            (QStringList { "identified", "validation: failed", "calibration: computed", "store",
                "save step", "save step", "save step", "save step", "save result: confirmed",
                "validation: passed" }));
        const QList<RecordEvent> events = recordedEvents();
        const QCborMap kept = events.at(3).payload;
        QVERIFY(kept.value(QLatin1String(Key::warned)).toBool());
        QCOMPARE(keptText(kept.value(QLatin1String(Key::oldSlope))), QStringLiteral("0.969556"));
        QCOMPARE(kept.value(QLatin1String(Key::oldSlope))
                     .toMap()
                     .value(QLatin1String(Key::reply))
                     .toByteArray(),
            QByteArray("MC = 0.969556\r\n"));
        QCOMPARE(kept.value(QLatin1String(Key::newSlope)).toString(), QStringLiteral("1.745200"));
        QCOMPARE(events.at(4).payload.value(QLatin1String(Key::command)).toByteArray(),
            QByteArray("mc=1.745200\r"));
        QCOMPARE(events.at(1).payload.value(QLatin1String(Key::phase)).toString(),
            QLatin1String(Phase::asFound));
        QCOMPARE(events.at(9).payload.value(QLatin1String(Key::phase)).toString(),
            QLatin1String(Phase::asLeft));
        QCOMPARE(events.at(9)
                     .payload.value(QLatin1String(Key::steps))
                     .toArray()
                     .at(1)
                     .toMap()
                     .value(QLatin1String(Key::text))
                     .toString(),
            session.field("calLE_Step2")->text());
        for (const RecordEvent &event : events)
            QCOMPARE(event.run, events.first().run);
    }

    // A slope that moved more than 10 % from the sensor's present one is flagged on the store
    // question, whose text and buttons stay as they are, and Return then declines.
    void largeSlopeChangeIsFlagged_data()
    {
        QTest::addColumn<double>("presentFactor");
        QTest::addColumn<QString>("warning");
        QTest::newRow("30 %") << 1 / 1.3
                              << "The new slope MC differs from the present one by 30.0 %. Check "
                                 "the standard solutions and the cell before storing.";
        QTest::newRow("2 %") << 1 / 1.02 << QString();
        // A slope that fell as far is as suspect as one that rose.
        QTest::newRow("30 % lower") << 1 / 0.7
                                    << "The new slope MC differs from the present one by 30.0 %. "
                                       "Check the standard solutions and the cell before storing.";
        QTest::newRow("2 % lower") << 1 / 0.98 << QString();
    }

    void largeSlopeChangeIsFlagged()
    {
        QFETCH(double, presentFactor);
        QFETCH(QString, warning);
        SimulatorOptions sensor;
        sensor.mc *= presentFactor;
        FixtureSession session(sensor);
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        SeenBox store;
        answerer.answerNext(
            [&](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                store = BoxAnswerer::seen(box);
                if (warning.isEmpty())
                    BoxAnswerer::press(box, QMessageBox::No);
                else
                    QTest::keyClick(box, Qt::Key_Return);
            },
            BoxAnswerer::ofType<QMessageBox>());

        session.startCalibration();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));
        QCOMPARE(store.text,
            QStringLiteral("The Calibration Sequence has completed. User should select YES to "
                           "store new constants and start new Validation Process or select NO to "
                           "invalidate the Calibration just undertaken."));
        QCOMPARE(store.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(store.informativeText, warning);
        QCOMPARE(store.icon, warning.isEmpty() ? QMessageBox::Information : QMessageBox::Warning);
        QCOMPARE(store.defaultButton == QMessageBox::No, !warning.isEmpty());
        QTRY_COMPARE(recordedKinds().constLast(), QStringLiteral("store declined"));
        QCOMPARE(lastRecorded(EventKind::storeDeclined)
                     .payload.value(QLatin1String(Key::warned))
                     .toBool(),
            !warning.isEmpty());
        QCOMPARE(session.simulator.mc(), sensor.mc);
        QVERIFY(session.waitIdle());
    }

    void calibrationEndsWithoutStoring_data()
    {
        QTest::addColumn<SimulatorOptions>("sensor");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("lastEvent");
        SimulatorOptions garbled = calibratableSensor();
        garbled.garbledRawReadings = { 8, 9, 10 };
        QTest::newRow("new constants refused")
            << calibratableSensor() << QMessageBox::No << "Important Information"
            << calibrationBytes("rw\r") << "store declined";
        QTest::newRow("equal averages")
            << sensorWithSamples({ 500 }, { 500 }) << QMessageBox::Ok << "Calibration failed"
            << calibrationBytes("rw\r") << "calibration: failed: no usable constants";
        QTest::newRow("high below low")
            << sensorWithSamples({ 2800 }, { 1000 }) << QMessageBox::Ok << "Calibration failed"
            << calibrationBytes("rw\r") << "calibration: failed: no usable constants";
        // The low set and the high set's opening reading, then high sample 1 asked three times.
        QTest::newRow("third unreadable sample")
            << garbled << QMessageBox::Ok << "Calibration failed"
            << "rw\r" + QByteArray("C1\r").repeated(6) + QByteArray("C2\r").repeated(4)
            << "calibration: failed: unreadable sample";
    }

    // Nothing is written to the sensor, and the technician may start another run.
    void calibrationEndsWithoutStoring()
    {
        QFETCH(SimulatorOptions, sensor);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, title);
        QFETCH(QByteArray, sent);
        QFETCH(QString, lastEvent);
        FixtureSession session(sensor);
        QVERIFY(session.identify());
        const QString oldSlope = session.field("calLE_OldCslp")->text();
        BoxAnswerer answerer;
        SeenBox box;
        answerer.pressButton(answer, &box);

        session.startCalibration();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));
        QTest::qWait(5 * testTickMs);

        QCOMPARE(box.title, title);
        QCOMPARE(bytesAfterIdentification(session), sent);
        if (title == QLatin1String("Calibration failed")) {
            QVERIFY2(box.text.contains(QLatin1String("othing was written to the sensor")),
                qPrintable(box.text));
            QVERIFY(session.field("calLE_NewCslp")->text().isEmpty());
        }
        const bool unreadable = lastEvent.endsWith(QLatin1String("unreadable sample"));
        QCOMPARE(
            session.statusAtCommand.count("Sample 1 could not be read, asking the sensor again"),
            unreadable ? 2 : 0);
        QCOMPARE(
            session.status(), QStringLiteral("Choose Calibration or Validation, then Continue"));
        QCOMPARE(session.field("calLE_OldCslp")->text(), oldSlope);
        QVERIFY(!session.field("calLE_NewCslp")->isVisible());
        QVERIFY(!session.field("calLE_Step2")->isVisible());
        QTRY_COMPARE(recordedKinds().constLast(), lastEvent);
        QVERIFY(session.runEnabled());
        QVERIFY(session.waitIdle());
    }

    // Raw readings 3 and 4 (low samples 2, twice) and 6 (low sample 3) arrive garbled: each is
    // asked for again, and the constants come from the whole samples alone.
    void garbledSamplesAreAskedAgainAndNeverCounted()
    {
        SimulatorOptions options = calibratableSensor();
        options.framing = MeasurementFraming::EchoLineWithNotice;
        options.garbledRawReadings = { 3, 4, 6 };
        FixtureSession session(options);
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        answerer.pressButton(QMessageBox::Yes);
        answerer.pressButton(QMessageBox::Cancel);
        QStringList shownAtRawCommand;
        QObject::connect(
            &session.simulator, &FixtureSimulator::commandReceived, [&](const QByteArray &command) {
                if (!command.startsWith('C'))
                    return;
                shownAtRawCommand.append(session.field("calLE_Step1")->text());
            });

        session.startCalibration();
        QVERIFY(QTest::qWaitFor([&] { return answerer.pending() == 1; }, 15000));
        QCOMPARE(session.field("calLE_NewCslp")->text(), QStringLiteral("1.745200"));
        QCOMPARE(session.field("calLE_NewCoff")->text(), QStringLiteral("-171.72000"));
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(15)));

        const QByteArray today
            = QDate::currentDate().toString(QStringLiteral("MM/dd/yy")).toLatin1();
        QCOMPARE(bytesAfterIdentification(session),
            "rw\r" + QByteArray("C1\r").repeated(9) + QByteArray("C2\r").repeated(6)
                + "mc=1.745200\rbc=-171.72000\ric=" + today + "\r\rsv\rrw\r"
                + "V1\rV1\rV2\rV3\rV4\rV5\r");
        for (const QString &shown : shownAtRawCommand)
            QVERIFY2(shown.isEmpty() || shown == QLatin1String("100"), qPrintable(shown));
        QCOMPARE(session.statusAtCommand.count(
                     QStringLiteral("Sample 2 could not be read, asking the sensor again")),
            2);
        QCOMPARE(session.statusAtCommand.count(
                     QStringLiteral("Sample 3 could not be read, asking the sensor again")),
            1);
        QTRY_COMPARE(recordedKinds().mid(0, 3),
            (QStringList { "identified", "calibration: computed", "store" }));
        // Every reading as received, the unreadable ones asked for again included.
        const QCborMap calibration = recordedEvents().at(1).payload;
        QCOMPARE(calibration.value(QLatin1String(Key::lowAverage)).toInteger(), 100);
        QCOMPARE(calibration.value(QLatin1String(Key::highAverage)).toInteger(), 1100);
        QCOMPARE(calibration.value(QLatin1String(Key::newOffset)).toString(),
            QStringLiteral("-171.72000"));
        const QCborArray low = calibration.value(QLatin1String(Key::low)).toArray();
        QCOMPARE(low.size(), 9);
        QCOMPARE(calibration.value(QLatin1String(Key::high)).toArray().size(), 6);
        const QCborArray garbled = low.at(2).toArray();
        QCOMPARE(garbled.at(0).toInteger(), 2);
        QCOMPARE(garbled.at(1).toByteArray(), QByteArray("O00,Counts"));
        QVERIFY(garbled.at(2).isNull());
        QCOMPARE(low.at(3).toArray().at(1).toByteArray(), QByteArray("O00,Counts"));
        QCOMPARE(low.at(4).toArray().at(2).toInteger(), 100);
        QCOMPARE(session.simulator.mc(), 1.7452);
    }

    void waitsTwoTicksForAReplyAndFifteenForAReading_data()
    {
        QTest::addColumn<QByteArray>("unanswered");
        QTest::addColumn<int>("ticks");
        QTest::newRow("raw mode switch") << QByteArray("rw") << 2;
        QTest::newRow("measurement") << QByteArray("V1") << 15;
    }

    // The dialogue gives up on the tick after its budget, not one sooner or later.
    void waitsTwoTicksForAReplyAndFifteenForAReading()
    {
        QFETCH(QByteArray, unanswered);
        QFETCH(int, ticks);
        useLongTick();
        FixtureSession session;
        QVERIFY(session.identify());
        QObject::connect(
            &session.simulator, &FixtureSimulator::commandReceived, [&](const QByteArray &command) {
                if (command == unanswered)
                    session.simulator.options().silent = true;
            });

        session.startValidation();
        QVERIFY(QTest::qWaitFor([&] { return session.simulator.options().silent; }, 5000));
        QVERIFY(session.waitingForReply());
        session.tick(ticks);
        QVERIFY(session.waitingForReply());
        QVERIFY(QApplication::overrideCursor());
        session.tick(1);
        QVERIFY(!session.waitingForReply());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(session.simulator.commands().constLast(), unanswered);
    }

    void unconfirmedSaveEndsAndTellsTheUser()
    {
        SimulatorOptions options = calibratableSensor();
        options.confirmSave = false;
        FixtureSession session(options);
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        SeenBox store, notConfirmed;
        answerer.pressButton(QMessageBox::Yes, &store);
        answerer.pressButton(QMessageBox::Ok, &notConfirmed);

        session.startCalibration();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(20)));

        QCOMPARE(notConfirmed.title, QStringLiteral("Saving not confirmed"));
        QCOMPARE(session.simulator.commands().constLast(), QByteArray("sv"));
        QVERIFY(session.runEnabled());
        QVERIFY(session.waitIdle());
        // The sequence has ended: a late confirmation starts nothing and nothing more is sent.
        const QByteArray sent = session.simulator.received();
        session.simulator.writeRaw("Saving Complete, 0x5A\r\n");
        QTest::qWait(8 * testTickMs);
        QCOMPARE(session.simulator.received(), sent);
        QVERIFY(!QApplication::overrideCursor());
    }

    void constantsArithmetic()
    {
        // Cut toward zero, never rounded: 102.8 is 102 and -1.8 is -1.
        QCOMPARE(sampleAverage(510), qint64(102));
        QCOMPARE(sampleAverage(514), qint64(102));
        QCOMPARE(sampleAverage(-7), qint64(-1));
        QCOMPARE(sampleAverage(-9), qint64(-1));
        // So far apart that the slope shows as zero: every reading would be the same.
        QVERIFY(!computeCalibrationConstants(-2147483648LL, 2147483647LL).canBeStored());
        // The high reference reading below the low one: a falling slope fits no sensor.
        const CalibrationConstants reversed = computeCalibrationConstants(1100, 100);
        QVERIFY(!reversed.canBeStored());
        QCOMPARE(slopeDisplayText(reversed.slope), QStringLiteral("-1.745200"));
        QVERIFY(computeCalibrationConstants(100, 1100).canBeStored());
    }
};

QTEST_MAIN(RunsTest)
#include "tst_runs.moc"
