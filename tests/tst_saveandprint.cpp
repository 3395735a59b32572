#include "fixturesession.h"
#include "modalanswerer.h"

#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Saving the report at the end of a run, and printing a report file, through the dialog.
class SaveAndPrintTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettings(); }
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("No matching signal"))); }

    void passingValidationIsSavedAndPrinted();
    void calibrationReportCarriesBothConstantBlocks();
    void cancelledSaveLeavesTheTechnicianFreeToGoOn();
    void failedSaveWarnsAndKeepsTheOldFile();
    void printingWithoutAFileStillUnlocksTheDialog();

private:
    QTemporaryDir m_dir;
};

namespace {
bool runEnabled(const FixtureSession &session)
{
    return session.connectButton()->isEnabled()
        && session.widget<QRadioButton>("Validate_RB")->isEnabled()
        && session.widget<QRadioButton>("Calibrate_RB")->isEnabled();
}

void press(ModalAnswerer &answerer, QMessageBox::StandardButton button)
{
    answerer.pressButton(button);
}

void chooseFile(ModalAnswerer &answerer, const QString &path)
{
    answerer.answerNext(
        [path](QWidget *modal) {
            auto *dialog = static_cast<QFileDialog *>(modal);
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept();
        },
        ModalAnswerer::ofType<QFileDialog>());
}

void printToPdf(ModalAnswerer &answerer, const QString &pdfPath)
{
    answerer.answerNext(
        [pdfPath](QWidget *modal) {
            auto *dialog = static_cast<QPrintDialog *>(modal);
            dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog->printer()->setOutputFileName(pdfPath);
            // accept() would copy the dialog's own settings over the output file.
            dialog->done(QDialog::Accepted);
        },
        ModalAnswerer::ofType<QPrintDialog>());
}

QString warningText;
void readWarning(ModalAnswerer &answerer)
{
    answerer.answerNext(
        [](QWidget *modal) {
            auto *box = static_cast<QMessageBox *>(modal);
            warningText = box->windowTitle() + QLatin1Char('|') + box->text();
            box->accept();
        },
        ModalAnswerer::ofType<QMessageBox>());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString pdfText(const QString &path)
{
    QProcess pdftotext;
    pdftotext.start(
        QStringLiteral("pdftotext"), { QStringLiteral("-layout"), path, QStringLiteral("-") });
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

QByteArray dateLine()
{
    return QLocale::system()
               .toString(QDate::currentDate(), QStringLiteral("dd-MMM-yyyy"))
               .toLocal8Bit()
        + "\r\r\n";
}
}

void SaveAndPrintTest::passingValidationIsSavedAndPrinted()
{
    FixtureSession session;
    QVERIFY(session.identify());
    ModalAnswerer answerer;
    const QString report = m_dir.filePath("validation.txt");
    press(answerer, QMessageBox::Save);
    chooseFile(answerer, report);

    session.startValidation();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));

    const QByteArray text = readFile(report);
    QVERIFY(text.startsWith("Varnell Incorporated\r\n"));
    QVERIFY(
        text.contains("\r\nKR-5M-LD-CV-LNK\r\nSerial Number: 1047\r\nFirmware Version: 1.2\r\n"));
    QVERIFY(text.contains("\r\nInstrument Validated:\r\nKR-5M-LD\r\nSerial Number: 517\r\n"));
    QVERIFY(
        text.contains("Instrument was last Calibrated on: 06/14/12\r\nInstrument was Validated on: "
            + dateLine()));
    QVERIFY(text.contains("Current Constants\r\nMC =  0.969556\r\n"));
    QVERIFY(!text.contains("New Constants"));
    QVERIFY(text.endsWith("Step 4: 1000 pS/m     PASS\r\nStep 5: 1700 pS/m     PASS\r\n"));
    QCOMPARE(session.status(), QStringLiteral("File Written - Use Print Button for hard copy"));
    auto *print = session.widget<QPushButton>("calibrationDlg_Print");
    QVERIFY(print->isVisible());
    QVERIFY(!runEnabled(session));

    const QString pdf = m_dir.filePath("validation.pdf");
    printToPdf(answerer, pdf);
    chooseFile(answerer, report);
    QTest::mouseClick(print, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());
    QVERIFY(QTest::qWaitFor([&] { return runEnabled(session); }));

    const QString printed = pdfText(pdf);
    QVERIFY2(printed.contains("Varnell Incorporated"), qPrintable(printed));
    QVERIFY(printed.contains("Step 5: 1700 pS/m"));
    QVERIFY(runEnabled(session));
    QVERIFY(answerer.problems().isEmpty());
}

void SaveAndPrintTest::calibrationReportCarriesBothConstantBlocks()
{
    SimulatorOptions options;
    options.lowSamples = { 100 };
    options.highSamples = { 1100 };
    FixtureSession session(options);
    QVERIFY(session.identify());
    ModalAnswerer answerer;
    const QString report = m_dir.filePath("calibration.txt");
    press(answerer, QMessageBox::Yes);
    press(answerer, QMessageBox::Save);
    chooseFile(answerer, report);

    session.startCalibration();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(20)));

    const QByteArray text = readFile(report);
    QVERIFY(text.contains("\r\nInstrument Calibrated:\r\n"));
    QVERIFY(text.contains(
        "\r\nCalibration Date: " + dateLine() + "Previous Constants\r\nMC =  0.969556\r\n"));
    QVERIFY(text.contains(
        "\r\nNew Constants\r\nMC =  1.745200\r\nBC = -171.72000\r\n\r\nVerification Values\r\n"));
    QVERIFY(text.endsWith("PASS\r\n"));
}

void SaveAndPrintTest::cancelledSaveLeavesTheTechnicianFreeToGoOn()
{
    FixtureSession session;
    QVERIFY(session.identify());
    ModalAnswerer answerer;
    press(answerer, QMessageBox::Save);
    answerer.reject(ModalAnswerer::ofType<QFileDialog>());

    session.startValidation();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));
    QTest::qWait(testTickMs);

    QVERIFY(answerer.problems().isEmpty());
    QVERIFY(runEnabled(session));
    QVERIFY(!session.widget<QPushButton>("calibrationDlg_Print")->isVisible());
    QCOMPARE(session.status(), QStringLiteral("Validation Complete"));
    QCOMPARE(session.field("calLE_Step5")->text(), QStringLiteral("1700"));
}

void SaveAndPrintTest::failedSaveWarnsAndKeepsTheOldFile()
{
    FixtureSession session;
    QVERIFY(session.identify());
    ModalAnswerer answerer;
    // A folder that is a file binds even root.
    const QString notAFolder = m_dir.filePath("plain-file");
    QFile blocker(notAFolder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.write("earlier contents");
    blocker.close();
    const QString report = notAFolder + "/report.txt";
    press(answerer, QMessageBox::Save);
    answerer.answerNext(
        [report](QWidget *modal) {
            // The file dialog itself would refuse such a name; the program must cope anyway.
            auto *dialog = static_cast<QFileDialog *>(modal);
            dialog->selectFile(report);
            static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
        },
        ModalAnswerer::ofType<QFileDialog>());
    readWarning(answerer);

    session.startValidation();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));

    QVERIFY2(warningText.startsWith("Error Saving|Cannot write to file " + report + ":\n"),
        qPrintable(warningText));
    QVERIFY(warningText.endsWith('.'));
    QCOMPARE(readFile(notAFolder), QByteArray("earlier contents"));
    QVERIFY(!session.widget<QPushButton>("calibrationDlg_Print")->isVisible());
    QVERIFY(runEnabled(session));
}

void SaveAndPrintTest::printingWithoutAFileStillUnlocksTheDialog()
{
    FixtureSession session;
    QVERIFY(session.identify());
    ModalAnswerer answerer;
    const QString report = m_dir.filePath("for-print.txt");
    press(answerer, QMessageBox::Save);
    chooseFile(answerer, report);
    session.startValidation();
    QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(10)));
    auto *print = session.widget<QPushButton>("calibrationDlg_Print");

    // The print dialog cancelled: nothing is asked for, the dialog is unlocked.
    answerer.reject(ModalAnswerer::ofType<QPrintDialog>());
    QTest::mouseClick(print, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());
    QVERIFY(runEnabled(session));

    // The file dialog cancelled: the read-failure warning, then unlocked.
    session.connectButton()->setEnabled(false);
    const QString pdf = m_dir.filePath("nothing.pdf");
    printToPdf(answerer, pdf);
    answerer.reject(ModalAnswerer::ofType<QFileDialog>());
    readWarning(answerer);
    QTest::mouseClick(print, Qt::LeftButton);
    QVERIFY(answerer.waitUntilAnswered());
    QVERIFY2(
        warningText.startsWith("Error Reading|Cannot read from file :\n"), qPrintable(warningText));
    QVERIFY(runEnabled(session));
    QVERIFY(pdfText(pdf).trimmed().isEmpty());
}

int main(int argc, char *argv[])
{
    // The report's month name comes from the system locale; keep it the same on every machine.
    qputenv("LC_ALL", "C");
    QApplication app(argc, argv);
    SaveAndPrintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_saveandprint.moc"
