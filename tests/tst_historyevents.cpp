#include "fixturesession.h"
#include "history.h"
#include "modalanswerer.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTest>

// The dialog's runs as the calibration history records them.
class HistoryEventsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void storedConstantsThatThenFailKeepOldAndNew();
    void unplugDuringSaveKeepsTheConstantsSent();
    void unwritableHistoryWarnsOnceAndTheRunGoesOn();
    void saveDialogSuggestsANameInDocuments();
};

void HistoryEventsTest::initTestCase()
{
    useTestSettings();
    // A folder of its own, whatever other test programs run at the same time.
    QCoreApplication::setApplicationName(QStringLiteral("tst_historyevents"));
}

void HistoryEventsTest::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal")));
    const QString folder = QFileInfo(HistoryLog::defaultFilePath()).absolutePath();
    QFile::remove(folder);
    QDir(folder).removeRecursively();
}

void HistoryEventsTest::storedConstantsThatThenFailKeepOldAndNew()
{
    FixtureSession session(calibratableSensor());
    QVERIFY(session.identify());
    ModalAnswerer answerer;
    answerer.pressButton(QMessageBox::Yes);
    answerer.pressButton(QMessageBox::Yes);
    answerer.pressButton(QMessageBox::No);
    // The sensor takes the new constants, then fails step 2 all the same.
    QObject::connect(
        &session.simulator, &FixtureSimulator::commandReceived, [&](const QByteArray &command) {
            if (command == "sv")
                session.simulator.options().failStep = 2;
        });

    session.startValidation();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(20)));

    QTRY_COMPARE(historyEvents(),
        (QStringList { "Identified", "Validation failed", "Calibration computed", "Constants sent",
            "Save confirmed", "Validation failed" }));
    const QStringList sent = historyRows().at(3);
    QCOMPARE(sent.at(HistoryColumn::oldMc), QStringLiteral("0.969556"));
    QCOMPARE(sent.at(HistoryColumn::newMc), QStringLiteral("1.745200"));
    QCOMPARE(
        historyRows().constLast().at(HistoryColumn::step2), session.field("calLE_Step2")->text());
}

void HistoryEventsTest::unplugDuringSaveKeepsTheConstantsSent()
{
    SimulatorOptions options = calibratableSensor();
    options.hangUpOn = "bc=";
    FixtureSession session(options);
    QVERIFY(session.identify());
    ModalAnswerer answerer;
    answerer.pressButton(QMessageBox::Yes);
    answerer.pressButton(QMessageBox::Ok);

    session.startCalibration();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(20)));

    QTRY_COMPARE(historyEvents(),
        (QStringList {
            "Identified", "Calibration computed", "Constants sent", "Save not confirmed" }));
    QCOMPARE(historyRows().at(2).at(HistoryColumn::oldMc), QStringLiteral("0.969556"));
}

void HistoryEventsTest::unwritableHistoryWarnsOnceAndTheRunGoesOn()
{
    // The history's folder is a plain file: nothing can be written under it, not even by root.
    const QString folder = QFileInfo(HistoryLog::defaultFilePath()).absolutePath();
    QDir().mkpath(QFileInfo(folder).absolutePath());
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    FixtureSession session;
    ModalAnswerer answerer;
    int historyWarnings = 0;
    answerer.answerNext(
        [&](QWidget *modal) {
            ++historyWarnings;
            static_cast<QMessageBox *>(modal)->accept();
        },
        ModalAnswerer::titled("Calibration history"));
    answerer.pressButton(QMessageBox::Cancel);

    QVERIFY(session.identify());
    session.startValidation();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));
    QTest::qWait(5 * testTickMs);

    QCOMPARE(historyWarnings, 1);
    QVERIFY(answerer.problems().isEmpty());
    QCOMPARE(session.status(), QStringLiteral("Validation Complete"));
    QFile::remove(folder);
}

void HistoryEventsTest::saveDialogSuggestsANameInDocuments()
{
    FixtureSession session;
    QVERIFY(session.identify());
    ModalAnswerer answerer;
    answerer.pressButton(QMessageBox::Save);
    QString offered;
    answerer.answerNext(
        [&](QWidget *modal) {
            auto *dialog = static_cast<QFileDialog *>(modal);
            offered = dialog->selectedFiles().value(0);
            dialog->reject();
        },
        ModalAnswerer::ofType<QFileDialog>());

    session.startValidation();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));

    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(offered,
        QDir(documents).filePath(QStringLiteral("KR-5M-LD_517_%1_validation.txt")
                                     .arg(QDate::currentDate().toString(Qt::ISODate))));
}

QTEST_MAIN(HistoryEventsTest)
#include "tst_historyevents.moc"
