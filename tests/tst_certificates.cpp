#include "auditlists.h"
#include "boxanswerer.h"
#include "commands.h"
#include "fixturesession.h"
#include "historycsv.h"
#include "issuedialog.h"
#include "recordsreading.h"
#include "registercsv.h"
#include "registermodels.h"
#include "registerwindow.h"
#include "samplerun.h"
#include "savefile.h"
#include "sensorcharts.h"
#include "tamperer.h"
#include "testfiles.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {
constexpr char validateThenHang[] = "--validate-then-hang";

QString normalized(const QString &pdfText)
{
    // The PDF's font joins "fi" into one ligature.
    return pdfText.normalized(QString::NormalizationForm_KC).simplified();
}

// A program killed after a validation, before its run ended: what it leaves in the records.
int validateThenHangForever()
{
    useTestSettings();
    SimulatorOptions sensor;
    sensor.sensorSerial = "804";
    FixtureSession session(sensor);
    BoxAnswerer answerer;
    answerer.pressButton(QMessageBox::Cancel);
    if (!session.identify())
        return 1;
    session.startValidation();
    if (!answerer.waitUntilAnswered(std::chrono::seconds(20)) || !session.settleRecords())
        return 1;
    std::printf("validated\n");
    std::fflush(stdout);
    return QApplication::exec();
}

bool validate(FixtureSession &session, BoxAnswerer &answerer, QMessageBox::StandardButton answer)
{
    answerer.pressButton(answer);
    session.startValidation();
    return answerer.waitUntilAnswered(std::chrono::seconds(30)) && session.waitIdle();
}

int says(const std::function<int(QTextStream &, QTextStream &)> &command, QString *said)
{
    said->clear();
    QTextStream out(said);
    QTextStream err(said);
    return command(out, err);
}
}

// Certificates an accredited laboratory can sign: the results read right for every order of
// events the dialog allows, issued once and frozen, approved by a named person, with what ISO/IEC
// 17025 7.8 asks, on records that real runs at the simulated bench filled.
class CertificatesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useTestSettings();
        removeRecords();
        QVERIFY(m_dir.isValid());
        const QByteArray recent
            = QDate::currentDate().addMonths(-3).toString(QStringLiteral("MM/dd/yy")).toLatin1();
        {
            // Fails as found, passes when validated again, never adjusted.
            SimulatorOptions sensor;
            sensor.sensorSerial = "801";
            sensor.fixtureSerial = "2210";
            sensor.fixtureCalDate = recent;
            sensor.failStep = 4;
            FixtureSession session(sensor);
            BoxAnswerer answerer(std::chrono::seconds(20));
            QVERIFY(session.identify());
            QVERIFY(validate(session, answerer, QMessageBox::No));
            session.simulator.options().failStep = 0;
            QVERIFY(validate(session, answerer, QMessageBox::Cancel));
            session.pressClose();
            QVERIFY(session.settleRecords());
        }
        {
            // Passes, is calibrated and its constants confirmed stored, and is closed before the
            // validation that follows could end.
            SimulatorOptions sensor;
            sensor.sensorSerial = "802";
            FixtureSession session(sensor);
            BoxAnswerer answerer(std::chrono::seconds(20));
            QVERIFY(session.identify());
            QVERIFY(validate(session, answerer, QMessageBox::Cancel));
            answerer.pressButton(QMessageBox::Yes);
            session.startCalibration();
            // Once the constants go out, the sensor takes its time over each reading.
            QVERIFY(waitUntil([] { return recordedKinds().contains(QStringLiteral("store")); },
                std::chrono::seconds(30)));
            session.simulator.options().measureDelayMs = 5000;
            QVERIFY(waitUntil(
                [] { return recordedKinds().contains(QStringLiteral("save result: confirmed")); },
                std::chrono::seconds(30)));
            session.pressClose();
            QVERIFY(session.settleRecords());
        }
        {
            // Fails, is calibrated, the sensor does not confirm the save, and passes after.
            SimulatorOptions sensor;
            sensor.sensorSerial = "803";
            sensor.drifted = true;
            sensor.confirmSave = false;
            FixtureSession session(sensor);
            BoxAnswerer answerer(std::chrono::seconds(20));
            QVERIFY(session.identify());
            answerer.pressButton(QMessageBox::Yes);
            answerer.pressButton(QMessageBox::Yes);
            answerer.pressButton(QMessageBox::Ok);
            session.startValidation();
            QVERIFY(answerer.waitUntilAnswered(std::chrono::seconds(30)));
            QVERIFY(session.waitIdle());
            QVERIFY(validate(session, answerer, QMessageBox::Cancel));
            session.pressClose();
            QVERIFY(session.settleRecords());
        }
        {
            // Validated, then its program killed.
            QProcess program;
            program.start(QCoreApplication::applicationFilePath(), { validateThenHang });
            QVERIFY(program.waitForReadyRead(60000));
            program.kill();
            QVERIFY(program.waitForFinished());
        }
        for (const char *serial : { "805", "806" }) {
            SimulatorOptions sensor;
            sensor.sensorSerial = serial;
            // 805 with a fixture calibrated lately; 806 with one calibrated in 2012.
            if (QByteArray(serial) == "805") {
                sensor.fixtureSerial = "2210";
                sensor.fixtureCalDate = recent;
            }
            QVERIFY(runAtTheBench(sensor, false));
        }
        QVERIFY(RecordsDatabase::openForReading(
            RecordsDatabase::defaultPath(), "certificates", &m_why));
    }

    void cleanupTestCase() { RecordsDatabase::close("certificates"); }

    // As found is the first complete validation before any constants were sent; as left the last
    // after the last adjustment; a run with none after it, or cut off, has no certificate. The
    // register, the certificate and the export read the same.
    void resultsReadRight()
    {
        const RunSummary failThenPass = run("801");
        QVERIFY(!failThenPass.asFound->passed);
        QVERIFY(failThenPass.asLeft->passed);
        QVERIFY(!failThenPass.adjustment);
        QVERIFY(!failThenPass.foundAsLeft());
        QCOMPARE(certificateRefusal(failThenPass), QString());
        const QString draft = draftText("801");
        QVERIFY2(draft.contains("Results as found (validation of ")
                && draft.contains("Step 4 reference 1000 pS/m reading")
                && draft.contains("Adjustment No adjustment was made. Results as left")
                && !draft.contains("The results as found are the results as left"),
            qPrintable(draft));

        const RunSummary storedThenClosed = run("802");
        QVERIFY(storedThenClosed.adjustment->confirmed);
        QVERIFY(!storedThenClosed.asLeft);
        const QString notValidated = QStringLiteral(
            "In the run of %1 new constants were sent to the sensor and never validated after "
            "that: there are no results as left.")
                                         .arg(dateText(storedThenClosed.started));
        QCOMPARE(certificateRefusal(storedThenClosed), notValidated);
        QString said;
        QCOMPARE(says(
                     [&](QTextStream &out, QTextStream &err) {
                         return RecordsCommand::certificate(RecordsDatabase::defaultPath(),
                             { "802", storedThenClosed.run.toString(), m_dir.filePath("802.pdf"),
                                 CertificateAction::Show, {} },
                             out, err);
                     },
                     &said),
            1);
        QCOMPARE(said, notValidated + '\n');
        QVERIFY(!QFile::exists(m_dir.filePath("802.pdf")));
        QString error;
        for (const SensorSummary &sensor : records().sensors(&error)) {
            if (sensor.serial == "802")
                QCOMPARE(statusText(dueState(sensor, QDate::currentDate(), RegisterSettings())),
                    QStringLiteral("Overdue"));
        }

        const RunSummary unconfirmed = run("803");
        QVERIFY(unconfirmed.adjustment->answered && !unconfirmed.adjustment->confirmed);
        QVERIFY(!unconfirmed.asFound->passed && unconfirmed.asLeft->passed);
        QVERIFY2(draftText("803").contains(
                     "The sensor did not confirm that it saved the new constants; the results as "
                     "left show the constants it holds."),
            qPrintable(draftText("803")));
        const QList<HistoryCsv::Record> history
            = HistoryCsv::parse(sensorHistoryCsv({ unconfirmed }));
        const auto column = [&](const char *title) {
            return history.at(1).fields.value(history.at(0).fields.indexOf(QLatin1String(title)));
        };
        QCOMPARE(column("Adjustment confirmed"), QStringLiteral("no"));
        QCOMPARE(column("As found"), QStringLiteral("FAIL"));
        QCOMPARE(column("As left"), QStringLiteral("PASS"));

        // Adjusted before it was ever validated: nothing of it is as found, and the
        // certificate says so.
        RunRecord adjustedFirst = runReporting("807");
        QList<RecordEvent> events { identifiedEvent(adjustedFirst, RunContext::ofThisProgram()),
            calibrationEvent(adjustedFirst, Verdict::computed), storeEvent(adjustedFirst, false),
            saveResultEvent(adjustedFirst, Verdict::confirmed) };
        adjustedFirst.store = StoreRecord { {}, true };
        adjustedFirst.validation->phase = ValidationPhase::AsLeft;
        events += { validationEvent(adjustedFirst), endedEvent(adjustedFirst, "closed") };
        QList<RecordsDatabase::StoredEvent> stored;
        for (const RecordEvent &event : std::as_const(events))
            stored.append({ stored.size() + 1, event, encodedPayload(event.payload), {} });
        const RunSummary neverFound = summarizeRun(stored, LabRecords());
        QVERIFY(!neverFound.asFound);
        QVERIFY(neverFound.asLeft && neverFound.asLeft->passed);
        Certificate unfound;
        unfound.run = neverFound;
        QVERIFY(certificateLines(unfound).contains(
            "Condition as received: not validated before it was adjusted"));

        const RunSummary killed = run("804");
        QVERIFY(killed.asFound->passed);
        QCOMPARE(certificateRefusal(killed),
            QStringLiteral("The run of %1 did not end normally (the program stopped before the "
                           "run ended): its records cannot show the sensor as it was left.")
                .arg(dateText(killed.started)));
    }

    // Until the laboratory is set, drafts say so and nothing is issued; the run's own technician
    // approves only where the lab allows it, and the certificate then says so.
    void approvalFollowsTheLabsRules()
    {
        const RunSummary passed = run("805");
        const std::optional<Certificate> unset = draft(passed, LabRecords());
        QVERIFY(unset);
        QCOMPARE(approvalRefusal(*unset, "qm"),
            QStringLiteral("The laboratory's name and address are not set: a certificate names "
                           "the laboratory that issues it. Set them with cvu-records set "
                           "laboratory-name=... laboratory-address=..., or in Settings."));
        QVERIFY(
            certificateLines(*unset).contains("The laboratory's name and address are not set."));
        QVERIFY(certificateLines(*unset).contains("DRAFT – not valid as a certificate"));
        QCOMPARE(set({ "laboratory-name=Bench Calibration Laboratory",
                     "laboratory-address=1 Lab Lane\\nTestville" }),
            0);
        const std::optional<Certificate> draftNow = draft(passed, records().lab());
        QCOMPARE(approvalRefusal(*draftNow, passed.account),
            QStringLiteral("%1 ran this calibration and may not also approve its certificate: "
                           "another account approves it, or the lab allows self-approval "
                           "(cvu-records set self-approval=yes).")
                .arg(passed.account));
        QCOMPARE(approvalRefusal(*draftNow, "qm"), QString());
        const Certificate byAnother = approved(*draftNow, "qm", "Quinn Manager");
        QVERIFY(!byAnother.approval->selfApproved);
        QVERIFY(certificateLines(byAnother).contains(
            QStringLiteral("Approved for issue: Quinn Manager (account qm), %1")
                .arg(byAnother.approval->at.toString("yyyy-MM-dd HH:mm"))));
        QCOMPARE(set({ "self-approval=yes" }), 0);
        const Certificate bySelf = approved(*draft(passed, records().lab()), passed.account, {});
        QVERIFY(bySelf.approval->selfApproved);
        QVERIFY(certificateLines(bySelf).contains("Approved by the technician who made the "
                                                  "calibration, as the laboratory allows."));
        QCOMPARE(set({ "self-approval=no" }), 0);
    }

    // Issued once, with its event: printed again it is the same file, whatever changed since;
    // a revision names what it replaces, what changed and why; the certificate checks against
    // the records, and a changed record or file does not.
    void issuedOnceThenFrozen()
    {
        QCOMPARE(set({ "self-approval=yes", "print-next-due=yes" }), 0);
        const QString issued = m_dir.filePath("805.pdf");
        QString said;
        QCOMPARE(certificate("805", issued, CertificateAction::Approve,
                     { {}, "21.5", "40", "Cell clean.", {}, {} }, &said),
            0);
        QVERIFY2(said.startsWith("certificate CVU-") && said.contains(" issued, approved by "),
            qPrintable(said));
        const QByteArray first = fileContents(issued);
        const QList<LabRecords::Issued> events = records().lab().certificatesOf(run("805").run);
        QCOMPARE(events.size(), 1);
        QCOMPARE(issuedPdfSha256(events.first().content),
            QCryptographicHash::hash(first, QCryptographicHash::Sha256));
        QCOMPARE(verifyCertificate(issued, &said), 0);

        QCOMPARE(set({ "laboratory-name=Another Laboratory", "sensor-interval-months=6" }), 0);
        const QString again = m_dir.filePath("805-again.pdf");
        QCOMPARE(certificate("805", again, CertificateAction::Show, {}, &said), 0);
        QCOMPARE(fileContents(again), first);
        const QString words = normalized(*pdfText(again));
        for (const QString &expected :
            { QString("Bench Calibration Laboratory 1 Lab Lane Testville"),
                QString("Temperature 21.5 °C, relative humidity 40 %"), QString("Cell clean."),
                "Next calibration due: "
                    + run("805").started.date().addMonths(12).toString(Qt::ISODate)
                    + ", as agreed with the customer.",
                QString("The results relate only to the item calibrated."),
                QString("This certificate shall not be reproduced except in full."),
                QString("Date of issue: ") + QDate::currentDate().toString(Qt::ISODate) })
            QVERIFY2(words.contains(expected), qPrintable(expected + "\nnot in\n" + words));
        QCOMPARE(certificate("805", again, CertificateAction::Approve, {}, &said), 1);
        QVERIFY2(said.endsWith(" is issued already; its next revision is made with an amendment "
                               "and its reason.\n"),
            qPrintable(said));

        const QString revised = m_dir.filePath("805-R1.pdf");
        QCOMPARE(certificate("805", revised, CertificateAction::Amend,
                     { {}, "21.5", "40", "Cell clean.", {}, "The laboratory moved." }, &said),
            0);
        const QString number = events.first().content.value("number").toString();
        const QString revision = normalized(*pdfText(revised));
        QVERIFY2(revision.contains("Certificate number: " + number + "-R1")
                && revision.contains(
                    "Revision 1: replaces " + number + ". Reason: The laboratory moved.")
                && revision.contains("Changed: the laboratory's name; the next due date.")
                && revision.contains("Another Laboratory"),
            qPrintable(revision));
        QCOMPARE(verifyCertificate(revised, &said), 0);
        // The register's list of certificates issued: both revisions, with the PDF each was
        // issued with; and the settings changed between them, with who changed them.
        QString error;
        const TextTable issuedList = certificatesIssued(records(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const auto issuedCell = [&](const QString &certificate, const char *column) {
            for (const QStringList &row : issuedList.rows) {
                if (row.value(1) == certificate)
                    return row.value(issuedList.columns.indexOf(QLatin1String(column)));
            }
            return QStringLiteral("not listed");
        };
        QCOMPARE(issuedCell(number, "Sensor"), QStringLiteral("805"));
        QCOMPARE(issuedCell(number, "PDF SHA-256"),
            QString::fromLatin1(
                QCryptographicHash::hash(first, QCryptographicHash::Sha256).toHex()));
        QCOMPARE(issuedCell(number + "-R1", "Replaces"), number);
        QCOMPARE(issuedCell(number + "-R1", "PDF SHA-256"),
            QString::fromLatin1(
                QCryptographicHash::hash(fileContents(revised), QCryptographicHash::Sha256)
                    .toHex()));
        const TextTable history = settingsHistory(records().lab());
        QVERIFY(std::any_of(history.rows.cbegin(), history.rows.cend(), [](const QStringList &row) {
            return row.mid(4, 2) == QStringList({ "laboratory-name", "Another Laboratory" })
                && !row.value(6).isEmpty();
        }));

        // A file changed, a draft, and records changed after issue.
        const QByteArray changed = first + "% a line added after issue\n";
        const QString forged = m_dir.filePath("forged.pdf");
        QVERIFY(writeFileWhole(forged, changed, &said));
        QCOMPARE(verifyCertificate(forged, &said), 1);
        QVERIFY2(said.contains("the file is not the one issued"), qPrintable(said));
        const QString draftPdf = m_dir.filePath("806-draft.pdf");
        QCOMPARE(certificate("806", draftPdf, CertificateAction::Show, {}, &said), 0);
        QVERIFY2(said.startsWith("draft of certificate ")
                && said.endsWith(": not valid as a certificate until it is approved (--approve)\n"),
            qPrintable(said));
        QCOMPARE(verifyCertificate(draftPdf, &said), 1);
        const QString copy = m_dir.filePath("copied.sqlite");
        {
            // A copy of the records as they stand, their log included.
            QSqlQuery vacuum(QSqlDatabase::database("certificates"));
            vacuum.prepare("VACUUM INTO ?");
            vacuum.addBindValue(copy);
            QVERIFY2(vacuum.exec(), qPrintable(vacuum.lastError().text()));
        }
        {
            Tamperer tamperer(copy);
            QVERIFY(tamperer.run("UPDATE events SET utc_ms = utc_ms + 1 WHERE seq = ?",
                { events.first().content.value("anchor seq").toInteger() }));
            QVERIFY(tamperer.rechainFrom(events.first().content.value("anchor seq").toInteger()));
        }
        QCOMPARE(says(
                     [&](QTextStream &out, QTextStream &err) {
                         return RecordsCommand::verifyCertificate(copy, issued, out, err);
                     },
                     &said),
            1);
        QVERIFY2(said.contains("they were changed after it was issued"), qPrintable(said));
        QCOMPARE(set({ "print-next-due=no", "self-approval=no" }), 0);
    }

    // A reference out of its interval at the run gets no certificate without a concession, which
    // the certificate then prints; a change of the interval made afterwards leaves a past run's
    // flags as they were.
    void theReferenceStandardIsTraceable()
    {
        QCOMPARE(set({ "self-approval=yes" }), 0);
        QString said;
        QCOMPARE(
            certificate("806", m_dir.filePath("806.pdf"), CertificateAction::Approve, {}, &said),
            1);
        QVERIFY2(said.startsWith("The reference standard was out of its calibration interval at "
                                 "the time of the run (the calibration date it reports, "
                                 "2012-01-10, was more than 12 months before the run): a "
                                 "certificate is issued only with an approver's concession and "
                                 "its reason."),
            qPrintable(said));
        QCOMPARE(certificate("806", m_dir.filePath("806.pdf"), CertificateAction::Approve,
                     { {}, {}, {}, {},
                         "The fixture's references were checked against the "
                         "lab's standard solutions the same day.",
                         {} },
                     &said),
            0);
        const QString words = normalized(*pdfText(m_dir.filePath("806.pdf")));
        QVERIFY2(words.contains("Issued by concession: The fixture's references were checked")
                && words.contains("The reference standard's own calibration is not recorded: "
                                  "the traceability of these results is not stated.")
                && words.contains("Ambient conditions were not recorded."),
            qPrintable(words));

        QCOMPARE(changeFixture("2210",
                     { "certificate-number=RS-2026-0412", "laboratory=National Standards Ltd",
                         "calibrated=" + QDate::currentDate().addMonths(-3).toString(Qt::ISODate),
                         "due=" + QDate::currentDate().addMonths(9).toString(Qt::ISODate) }),
            0);
        QCOMPARE(set({ "fixture-interval-months=1",
                     "ambient-statement=The sensor is calibrated in sealed reference cells." }),
            0);
        const RunSummary before = run("801");
        QVERIFY(!before.fixture.outOfInterval);
        const QString draft = draftText("801");
        QVERIFY2(draft.contains("Calibrated by National Standards Ltd, certificate "
                                "RS-2026-0412, on ")
                && draft.contains("The reference values are traceable to the SI through that "
                                  "calibration of the reference standard.")
                && draft.contains("The sensor is calibrated in sealed reference cells."),
            qPrintable(draft));
        QCOMPARE(
            set({ "fixture-interval-months=12", "ambient-statement=", "self-approval=no" }), 0);
    }

    // The register shows each run's U per step and the verdict under the lab's rule, draws
    // each reading with its bar of plus and minus U, and exports them.
    void theRegisterShowsTheUncertainty()
    {
        QCOMPARE(changeFixture(
                     "2210", { "u1=0.05", "u2=1.2", "u3=3", "u4=5", "u5=8", "k=2", "u-high=8" }),
            0);
        QCOMPARE(set({ "decision-rule=guarded" }), 0);
        const Register lab = records();
        QString error;
        const QList<RunSummary> runs = lab.runsOf("801", &error);
        RunsModel model;
        model.setRuns(runs, lab.lab());
        QCOMPARE(model.index(0, RunsModel::UnderRule).data().toString(),
            QStringLiteral("guarded: conforms"));
        // Reading 120, to 1 pS/m: u = sqrt(0.6^2 + (1/sqrt(12))^2) = 0.666, U = 1.3 pS/m.
        const QString asLeft = model.index(0, RunsModel::AsLeft).data(Qt::ToolTipRole).toString();
        QVERIFY2(
            asLeft.contains("Step 2: U = 1.3 pS/m, k = 2, Pass, risk < 0.1 %"), qPrintable(asLeft));
        const ChartPoint point = readingsPanels(runs, lab.lab()).at(1).series.at(1).points.first();
        QVERIFY(std::abs(point.uncertainty.value_or(0) - 2 * std::sqrt(0.36 + 1.0 / 12)) < 1e-9);
        QVERIFY2(point.tip.endsWith(", U = 1.3 pS/m"), qPrintable(point.tip));
        const QList<HistoryCsv::Record> history
            = HistoryCsv::parse(sensorHistoryCsv(runs, lab.lab()));
        const auto column = [&](const char *title) {
            return history.at(1).fields.value(history.at(0).fields.indexOf(QLatin1String(title)));
        };
        QCOMPARE(column("Decision rule"), QStringLiteral("guarded"));
        QCOMPARE(column("As left step 2 U"), QStringLiteral("1.3"));
        QCOMPARE(column("As left step 2 k"), QStringLiteral("2"));
        QCOMPARE(column("As left step 2 ratio"), QStringLiteral("14.3"));
        QCOMPARE(column("As left step 2 verdict"), QStringLiteral("Pass"));
        QCOMPARE(column("As found step 4 verdict"), QStringLiteral("Fail"));
        QCOMPARE(set({ "decision-rule=simple" }), 0);
    }

    // A laboratory with a long address flows onto another page: every page names the
    // certificate and its place among the pages, the last ends it, a draft says so on each.
    void aLongCertificateFlowsOntoMorePages()
    {
        QStringList address;
        for (int line = 1; line <= 60; ++line)
            address.append(QStringLiteral("Building %1, Corridor %1").arg(line));
        QCOMPARE(set({ "laboratory-address=" + address.join("\\n") }), 0);
        const QString path = m_dir.filePath("long.pdf");
        QString said;
        QCOMPARE(certificate("801", path, CertificateAction::Show, {}, &said), 0);
        const std::optional<int> pages = pdfPageCount(path);
        QVERIFY(pages && *pages >= 2);
        for (int page = 1; page <= *pages; ++page) {
            const QString words = normalized(
                *pdfText(path, { "-f", QString::number(page), "-l", QString::number(page) }));
            QVERIFY2(words.startsWith(QStringLiteral("DRAFT – not valid as a certificate "
                                                     "Calibration Certificate CVU-"))
                    && words.contains(QStringLiteral(", page %1 of %2").arg(page).arg(*pages)),
                qPrintable(words));
            QCOMPARE(words.endsWith("End of certificate"), page == *pages);
        }
        QVERIFY(normalized(*pdfText(path)).contains("Building 60, Corridor 60"));
        QCOMPARE(set({ "laboratory-address=1 Lab Lane\\nTestville" }), 0);
    }

    // From the window: a draft is offered for approval; the run's own technician is refused
    // with why, where the lab does not allow it; approved, it is issued, saved, and the run
    // shows its number.
    void theWindowIssuesAsTheCommandDoes()
    {
        RegisterWindow window(RecordsDatabase::defaultPath(), QString());
        window.show();
        window.showSensor("801");
        const auto approveAndIssue = [](QWidget *modal) {
            QMetaObject::invokeMethod(
                modal->findChild<QPushButton *>("issuePB_approve"), "click", Qt::QueuedConnection);
        };
        {
            BoxAnswerer answerer;
            answerer.answerNext(approveAndIssue, BoxAnswerer::ofType<IssueDialog>());
            SeenBox refused;
            answerer.pressButton(QMessageBox::Ok, &refused);
            window.findChild<QPushButton *>("sensorPB_certificate")->click();
            QVERIFY(answerer.waitUntilAnswered());
            QVERIFY2(refused.text.endsWith(" ran this calibration and may not also approve its "
                                           "certificate: another account approves it, or the lab "
                                           "allows self-approval (cvu-records set "
                                           "self-approval=yes)."),
                qPrintable(refused.text));
        }
        QCOMPARE(set({ "self-approval=yes" }), 0);
        window.reload();
        const QString saved = m_dir.filePath("from-the-window.pdf");
        BoxAnswerer answerer;
        answerer.answerNext(approveAndIssue, BoxAnswerer::ofType<IssueDialog>());
        answerer.chooseFile(saved);
        window.findChild<QPushButton *>("sensorPB_certificate")->click();
        QVERIFY(answerer.waitUntilAnswered());
        QVERIFY(answerer.problems().isEmpty());
        const QString number = certificateNumber(run("801"));
        QVERIFY2(normalized(*pdfText(saved)).contains("Certificate number: " + number),
            qPrintable(number));
        QCOMPARE(window.findChild<QTableView *>("sensorTV_runs")
                     ->model()
                     ->index(0, RunsModel::Certificate)
                     .data()
                     .toString(),
            number);
        QCOMPARE(verifyCertificate(saved, &m_why), 0);
        QCOMPARE(set({ "self-approval=no" }), 0);
    }

private:
    static Register records() { return Register(QSqlDatabase::database("certificates")); }

    static RunSummary run(const QByteArray &serial)
    {
        QString error;
        return records().runsOf(serial, &error).value(0);
    }

    static std::optional<Certificate> draft(const RunSummary &run, const LabRecords &lab)
    {
        QString why;
        return draftCertificate(run, lab, {}, QStringLiteral("qm"), &why);
    }

    QString draftText(const QByteArray &serial)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(serial) + "-draft.pdf");
        QString said;
        if (certificate(serial, path, CertificateAction::Show, {}, &said) != 0)
            return said;
        return normalized(pdfText(path).value_or(QString()));
    }

    int certificate(const QByteArray &serial, const QString &path, CertificateAction action,
        const IssueDetails &details, QString *said)
    {
        return says(
            [&](QTextStream &out, QTextStream &err) {
                return RecordsCommand::certificate(RecordsDatabase::defaultPath(),
                    { serial, {}, path, action, details }, out, err);
            },
            said);
    }

    int verifyCertificate(const QString &path, QString *said)
    {
        return says(
            [&](QTextStream &out, QTextStream &err) {
                return RecordsCommand::verifyCertificate(
                    RecordsDatabase::defaultPath(), path, out, err);
            },
            said);
    }

    int set(const QStringList &assignments)
    {
        QString said;
        const int status = says(
            [&](QTextStream &out, QTextStream &err) {
                return RecordsCommand::changeSettings(RecordsDatabase::defaultPath(),
                    { QLatin1String(EventKind::setting), {}, assignments }, out, err);
            },
            &said);
        if (status != 0)
            qWarning("%s", qPrintable(said));
        return status;
    }

    int changeFixture(const QByteArray &serial, const QStringList &assignments)
    {
        QString said;
        return says(
            [&](QTextStream &out, QTextStream &err) {
                return RecordsCommand::changeSettings(RecordsDatabase::defaultPath(),
                    { QLatin1String(EventKind::fixtureSetting), serial, assignments }, out, err);
            },
            &said);
    }

    QTemporaryDir m_dir;
    QString m_why;
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], validateThenHang) == 0)
        return validateThenHangForever();
    CertificatesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_certificates.moc"
