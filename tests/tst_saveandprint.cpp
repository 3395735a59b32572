#include "boxanswerer.h"
#include "fixturesession.h"
#include "recordsreading.h"
#include "runevents.h"
#include "testfiles.h"

#include <QCborArray>
#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QPrintDialog>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A passing validation whose report the technician saves under the given path.
bool validateAndSave(FixtureSession &session, BoxAnswerer &answerer, const QString &report)
{
    answerer.pressButton(QMessageBox::Save);
    answerer.chooseFile(report);
    session.startValidation();
    return answerer.waitUntilAnswered(std::chrono::seconds(10));
}

QByteArray dateLine()
{
    return QLocale::system()
               .toString(QDate::currentDate(), QStringLiteral("dd-MMM-yyyy"))
               .toLocal8Bit()
        + "\r\r\n";
}
}

// Saving the report at the end of a run, and printing a report file, through the dialog.
class SaveAndPrintTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettings(); }
    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal")));
        removeRecords();
    }

    void passingValidationIsSavedAndPrinted()
    {
        FixtureSession session;
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        const QString report = m_dir.filePath("validation.txt");
        QVERIFY(validateAndSave(session, answerer, report));

        const QByteArray text = fileContents(report);
        QVERIFY(text.startsWith("Varnell Incorporated\r\n"));
        QVERIFY(text.contains(
            "\r\nKR-5M-LD-CV-LNK\r\nSerial Number: 1047\r\nFirmware Version: 1.2\r\n"));
        QVERIFY(text.contains("\r\nInstrument Validated:\r\nKR-5M-LD\r\nSerial Number: 517\r\n"));
        QVERIFY(text.contains(
            "Instrument was last Calibrated on: 06/14/12\r\nInstrument was Validated on: "
            + dateLine()));
        QVERIFY(text.contains("Current Constants\r\nMC =  0.969556\r\n"));
        QVERIFY(!text.contains("New Constants"));
        QVERIFY(text.endsWith("Step 4: 1000 pS/m     PASS\r\nStep 5: 1700 pS/m     PASS\r\n"));
        QCOMPARE(session.status(), QStringLiteral("File Written - Use Print Button for hard copy"));
        auto *print = session.widget<QPushButton>("calibrationDlg_Print");
        QVERIFY(print->isVisible());
        QVERIFY(!session.runEnabled());

        const QString pdf = m_dir.filePath("validation.pdf");
        answerer.printToPdf(pdf);
        answerer.chooseFile(report);
        QTest::mouseClick(print, Qt::LeftButton);
        QVERIFY(answerer.waitUntilAnswered());
        QVERIFY(QTest::qWaitFor([&] { return session.runEnabled(); }));

        const std::optional<QString> printed = pdfText(pdf);
        QVERIFY(printed);
        QVERIFY2(printed->contains("Varnell Incorporated"), qPrintable(*printed));
        QVERIFY(printed->contains("Step 5: 1700 pS/m"));
        QVERIFY(session.runEnabled());
        QVERIFY(answerer.problems().isEmpty());
    }

    // The technician corrects the sensor's serial on screen: the report carries the correction,
    // the records keep what the sensor said and the correction beside it, and the report's hash.
    void calibrationReportCarriesBothConstantBlocks()
    {
        FixtureSession session(calibratableSensor());
        QVERIFY(session.identify());
        session.field("calLE_TARNEL_SN")->setText(QStringLiteral("517-B"));
        BoxAnswerer answerer;
        const QString report = m_dir.filePath("calibration.txt");
        answerer.pressButton(QMessageBox::Yes);
        answerer.pressButton(QMessageBox::Save);
        answerer.chooseFile(report);

        session.startCalibration();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(20)));

        const QByteArray text = fileContents(report);
        QVERIFY(text.contains("\r\nInstrument Calibrated:\r\n"));
        QVERIFY(text.contains(
            "\r\nCalibration Date: " + dateLine() + "Previous Constants\r\nMC =  0.969556\r\n"));
        QVERIFY(text.contains("\r\nNew Constants\r\nMC =  1.745200\r\nBC = "
                              "-171.72000\r\n\r\nVerification Values\r\n"));
        QVERIFY(text.endsWith("PASS\r\n"));
        QVERIFY(text.contains("\r\nKR-5M-LD\r\nSerial Number: 517-B\r\n"));

        QVERIFY(session.settleRecords());
        const RecordEvent written = lastRecorded(EventKind::report);
        QCOMPARE(lastRecorded(EventKind::identified).sensorSerial, QByteArray("517"));
        QCOMPARE(written.run, lastRecorded(EventKind::identified).run);
        QCOMPARE(written.payload.value(QLatin1String(Key::path)).toString(), report);
        QCOMPARE(written.payload.value(QLatin1String(Key::variant)).toString(),
            QStringLiteral("calibration"));
        QCOMPARE(written.payload.value(QLatin1String(Key::sha256)).toByteArray(),
            QCryptographicHash::hash(text, QCryptographicHash::Sha256));
        const QCborArray edited = written.payload.value(QLatin1String(Key::edited)).toArray();
        QCOMPARE(edited.size(), 1);
        QCOMPARE(edited.at(0).toMap().value(QLatin1String(Key::field)).toString(),
            QStringLiteral("Sensor serial"));
        QCOMPARE(edited.at(0).toMap().value(QLatin1String(Key::recorded)).toString(),
            QStringLiteral(" 517\r\n"));
        QCOMPARE(edited.at(0).toMap().value(QLatin1String(Key::shown)).toString(),
            QStringLiteral("517-B"));
    }

    void cancelledSaveOfTheSuggestedNameLeavesTheTechnicianFreeToGoOn()
    {
        FixtureSession session;
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        answerer.pressButton(QMessageBox::Save);
        QString offered;
        answerer.answerNext(
            [&](QWidget *modal) {
                auto *dialog = static_cast<QFileDialog *>(modal);
                offered = dialog->selectedFiles().value(0);
                dialog->reject();
            },
            BoxAnswerer::ofType<QFileDialog>());

        session.startValidation();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));
        QTest::qWait(testTickMs);

        const QString documents
            = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(offered,
            QDir(documents).filePath(QStringLiteral("KR-5M-LD_517_%1_validation.txt")
                                         .arg(QDate::currentDate().toString(Qt::ISODate))));
        QVERIFY(answerer.problems().isEmpty());
        QVERIFY(session.runEnabled());
        QVERIFY(!session.widget<QPushButton>("calibrationDlg_Print")->isVisible());
        QCOMPARE(session.status(), QStringLiteral("Validation Complete"));
        QCOMPARE(session.field("calLE_Step5")->text(), QStringLiteral("1700"));
    }

    void failedSaveWarnsAndLetsTheTechnicianGoOn()
    {
        FixtureSession session;
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        // No file can be created there, not even by root. That an existing report survives a failed
        // write is proven where the file is written.
        const QString report = QStringLiteral("/sys/<i>report.txt");
        answerer.pressButton(QMessageBox::Save);
        answerer.chooseFile(report);
        SeenBox warning;
        answerer.pressButton(QMessageBox::Ok, &warning);

        session.startValidation();
        QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));

        QCOMPARE(warning.title, QStringLiteral("Error Saving"));
        QVERIFY2(warning.text.startsWith("Cannot write to file " + report + ":\n"),
            qPrintable(warning.text));
        QVERIFY(warning.text.endsWith('.'));
        QCOMPARE(warning.textFormat, Qt::PlainText);
        QVERIFY(!session.widget<QPushButton>("calibrationDlg_Print")->isVisible());
        QVERIFY(session.runEnabled());
    }

    void printingWithoutAFileStillUnlocksTheDialog()
    {
        FixtureSession session;
        QVERIFY(session.identify());
        BoxAnswerer answerer;
        QVERIFY(validateAndSave(session, answerer, m_dir.filePath("for-print.txt")));
        auto *print = session.widget<QPushButton>("calibrationDlg_Print");

        // The print dialog cancelled: nothing is asked for, the dialog is unlocked.
        answerer.reject(BoxAnswerer::ofType<QPrintDialog>());
        QTest::mouseClick(print, Qt::LeftButton);
        QVERIFY(answerer.waitUntilAnswered());
        QVERIFY(session.runEnabled());

        // The file dialog cancelled: the read-failure warning, then unlocked.
        session.connectButton()->setEnabled(false);
        const QString pdf = m_dir.filePath("nothing.pdf");
        answerer.printToPdf(pdf);
        answerer.reject(BoxAnswerer::ofType<QFileDialog>());
        SeenBox warning;
        answerer.pressButton(QMessageBox::Ok, &warning);
        QTest::mouseClick(print, Qt::LeftButton);
        QVERIFY(answerer.waitUntilAnswered());
        QCOMPARE(warning.title, QStringLiteral("Error Reading"));
        QVERIFY2(warning.text.startsWith("Cannot read from file :\n"), qPrintable(warning.text));
        QVERIFY(session.runEnabled());
        const std::optional<QString> printed = pdfText(pdf);
        QVERIFY(printed);
        QVERIFY(printed->trimmed().isEmpty());
    }

private:
    QTemporaryDir m_dir;
};

int main(int argc, char *argv[])
{
    // The report's month name comes from the system locale; keep it the same on every machine.
    qputenv("LC_ALL", "C");
    QApplication app(argc, argv);
    SaveAndPrintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_saveandprint.moc"
