#include "wirechecker.h"

#include <QTest>

// The fuzzer's verdict on what the dialog writes: a false alarm wastes a run, a missed fault
// hides one.
class TstWireChecker : public QObject
{
    Q_OBJECT

private slots:
    void judgesWhatIsWritten_data()
    {
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::addColumn<bool>("accepted");
        const auto row = [](const char *name, QList<QByteArray> writes, bool accepted) {
            QTest::newRow(name) << writes << accepted;
        };
        row("every command",
            { "rs\rRS\rTO\rto\rsn\rvr\rcd\rin\riv\ric\rmc\rbc\rrw\rRW\rV1\rV5\rsv\r"
              "mc=1.745200\rbc=-171.72000\ric=07/04/26\r\rsv\rC1\rC2\r" },
            true);
        row("split across writes", { "m", "c=1.", "5\rb", "c=-3.00000", "\rsv\r" }, true);
        row("step six", { "V6\r" }, false);
        row("third reference", { "C3\r" }, false);
        row("line feed kept", { "rs\r\n" }, false);
        row("empty slope", { "mc=\r" }, false);
        row("slope nan", { "mc=nan\r" }, false);
        row("offset overflows a double, split", { "bc=1", "e999", "\r" }, false);
        row("date of a month 13", { "ic=13/04/26\r\r" }, false);
        row("two empty commands after the date", { "ic=01/31/25\r\r\r" }, false);
        row("empty command without a date", { "sv\r\r" }, false);
        row("NUL", { QByteArray("rs\0\r", 4) }, false);
        row("unterminated when the port goes", { "rs\rsv" }, false);
    }

    void judgesWhatIsWritten()
    {
        QFETCH(QList<QByteArray>, writes);
        QFETCH(bool, accepted);
        WireChecker checker;
        for (const QByteArray &write : writes)
            checker.take(write);
        checker.finish();
        QVERIFY2(checker.failed() != accepted, qPrintable(checker.fault()));
    }

    void constantsMustBeThoseOfTheSamplesSent_data()
    {
        QTest::addColumn<QList<QByteArray>>("lowAnswers");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<bool>("accepted");
        const QByteArray sample = "Sampling\r\n100,Counts\r\n";
        const QList<QByteArray> plain(6, sample);
        QList<QByteArray> echoed(6, "C1\r\nSampling C\r\n> \r\n100,Counts\r\n");
        QList<QByteArray> garbledOnce = plain;
        garbledOnce.insert(2, "Sampling\r\n1O0,Counts\r\n");
        QList<QByteArray> garbledCounted = plain;
        garbledCounted[2] = "Sampling\r\n1O0,Counts\r\n";
        QList<QByteArray> unknowable = plain;
        unknowable[3] = "Sampling\r\n100,Cou";
        const QByteArray right = "mc=1.745200\rbc=-171.72000\r";
        QTest::newRow("plain answers") << plain << right << true;
        QTest::newRow("echo, notice with C, prompt") << echoed << right << true;
        QTest::newRow("wrong slope")
            << plain << QByteArray("mc=1.745201\rbc=-171.72000\r") << false;
        QTest::newRow("wrong offset")
            << plain << QByteArray("mc=1.745200\rbc=-171.72001\r") << false;
        QTest::newRow("garbled sample asked again") << garbledOnce << right << true;
        QTest::newRow("garbled sample counted") << garbledCounted << right << false;
        QTest::newRow("an answer that tells nothing")
            << unknowable << QByteArray("mc=9.9\rbc=1.0\r") << true;
    }

    // The dialog read the answers of a calibration whose high set counts 1100 throughout.
    void constantsMustBeThoseOfTheSamplesSent()
    {
        QFETCH(QList<QByteArray>, lowAnswers);
        QFETCH(QByteArray, written);
        QFETCH(bool, accepted);
        WireChecker checker;
        checker.take("rw\r");
        checker.heard("Raw Value Mode On\r\n");
        for (const QByteArray &answer : lowAnswers) {
            checker.take("C1\r");
            checker.heard(answer);
        }
        for (int reading = 0; reading <= 5; ++reading) {
            checker.take("C2\r");
            checker.heard("Sampling\r\n1100,Counts\r\n");
        }
        checker.take(written);
        checker.finish();
        QVERIFY2(checker.failed() != accepted, qPrintable(checker.fault()));
    }
};

QTEST_GUILESS_MAIN(TstWireChecker)
#include "tst_wirechecker.moc"
