#include "wirechecker.h"

#include <QTest>

// The fuzzer's verdict on what the dialog writes: a false alarm wastes a run, a missed fault
// hides one.
class TstWireChecker : public QObject
{
    Q_OBJECT

private slots:
    void judgesEachCommand_data();
    void judgesEachCommand();
    void commandsSplitAcrossWritesAreJoined();
    void emptyCommandIsAllowedOnlyAfterTheDate();
    void unterminatedCommandFailsWhenTheStreamEnds();
    void constantsMustBeThoseOfTheSamplesSent_data();
    void constantsMustBeThoseOfTheSamplesSent();
};

void TstWireChecker::judgesEachCommand_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("identification")
        << QByteArray("rs\rRS\rTO\rto\rsn\rvr\rcd\rin\riv\ric\rmc\rbc\r") << true;
    QTest::newRow("raw mode") << QByteArray("rw\rRW\r") << true;
    QTest::newRow("readings") << QByteArray("V1\rV2\rV3\rV4\rV5\rC1\rC2\rsv\r") << true;
    QTest::newRow("slope") << QByteArray("mc=1.745200\r") << true;
    QTest::newRow("negative offset") << QByteArray("bc=-171.72000\r") << true;
    QTest::newRow("date and its second CR") << QByteArray("ic=07/04/26\r\r") << true;
    QTest::newRow("step six") << QByteArray("V6\r") << false;
    QTest::newRow("third reference") << QByteArray("C3\r") << false;
    QTest::newRow("wrong case") << QByteArray("Sv\r") << false;
    QTest::newRow("line feed kept") << QByteArray("rs\r\n") << false;
    QTest::newRow("empty slope") << QByteArray("mc=\r") << false;
    QTest::newRow("slope nan") << QByteArray("mc=nan\r") << false;
    QTest::newRow("offset inf") << QByteArray("bc=inf\r") << false;
    QTest::newRow("offset overflows a double") << QByteArray("bc=1e999\r") << false;
    QTest::newRow("padded slope") << QByteArray("mc= 1.5\r") << false;
    QTest::newRow("date of a month 13") << QByteArray("ic=13/04/26\r\r") << false;
    QTest::newRow("NUL") << QByteArray("rs\0\r", 4) << false;
}

void TstWireChecker::judgesEachCommand()
{
    QFETCH(QByteArray, written);
    QFETCH(bool, accepted);

    WireChecker checker;
    checker.take(written);
    checker.finish();
    QCOMPARE(!checker.failed(), accepted);
    QCOMPARE(checker.fault().isEmpty(), accepted);
}

void TstWireChecker::commandsSplitAcrossWritesAreJoined()
{
    WireChecker checker;
    for (const char *piece : { "m", "c=1.", "5\rb", "c=-3.00000", "\rsv\r" })
        checker.take(piece);
    checker.finish();
    QVERIFY2(!checker.failed(), qPrintable(checker.fault()));

    WireChecker splitFault;
    for (const char *piece : { "mc=1", "e999", "\r" })
        splitFault.take(piece);
    QVERIFY(splitFault.fault().contains(QLatin1String("mc=1e999")));
}

void TstWireChecker::emptyCommandIsAllowedOnlyAfterTheDate()
{
    WireChecker afterDate;
    afterDate.take("ic=01/31/25\r\rsv\r");
    QVERIFY2(!afterDate.failed(), qPrintable(afterDate.fault()));

    WireChecker twoAfterDate;
    twoAfterDate.take("ic=01/31/25\r\r\r");
    QVERIFY(twoAfterDate.fault().contains(QLatin1String("empty command")));

    WireChecker alone;
    alone.take("sv\r\r");
    QVERIFY(alone.fault().contains(QLatin1String("empty command")));
}

void TstWireChecker::unterminatedCommandFailsWhenTheStreamEnds()
{
    WireChecker checker;
    checker.take("rs\rsv");
    QVERIFY(!checker.failed());
    checker.finish();
    QVERIFY(checker.fault().contains(QLatin1String("\"sv\"")));
}

void TstWireChecker::constantsMustBeThoseOfTheSamplesSent_data()
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
    QTest::newRow("wrong slope") << plain << QByteArray("mc=1.745201\rbc=-171.72000\r") << false;
    QTest::newRow("wrong offset") << plain << QByteArray("mc=1.745200\rbc=-171.72001\r") << false;
    QTest::newRow("garbled sample asked again") << garbledOnce << right << true;
    QTest::newRow("garbled sample counted") << garbledCounted << right << false;
    QTest::newRow("an answer that tells nothing")
        << unknowable << QByteArray("mc=9.9\rbc=1.0\r") << true;
}

// The dialog read the answers of a calibration whose high set counts 1100 throughout.
void TstWireChecker::constantsMustBeThoseOfTheSamplesSent()
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

QTEST_GUILESS_MAIN(TstWireChecker)
#include "tst_wirechecker.moc"
