#include "fixturesimulator.h"

#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTest>
#include <QThread>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int replyTimeoutMs = 2000;

// The program's side of the line: the pts opened by path, each read kept as it arrived.
class SlaveLine
{
public:
    explicit SlaveLine(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (m_fd < 0)
            return;
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, [this] { readAvailable(); });
    }
    ~SlaveLine()
    {
        delete m_notifier;
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool isOpen() const { return m_fd >= 0; }
    bool isHungUp() const { return m_hungUp; }
    void send(const QByteArray &bytes)
    {
        QCOMPARE(::write(m_fd, bytes.data(), bytes.size()), bytes.size());
    }

    bool waitForLines(int count, int timeoutMs = replyTimeoutMs)
    {
        return QTest::qWaitFor([&] { return m_chunks.join().count("\r\n") >= count; }, timeoutMs);
    }
    QList<QByteArray> takeChunks() { return std::exchange(m_chunks, {}); }
    QByteArray take() { return takeChunks().join(); }

    QByteArray exchange(const QByteArray &command, int lines = 1)
    {
        send(command);
        waitForLines(lines);
        return take();
    }

private:
    void readAvailable()
    {
        char buffer[4096];
        const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
        if (count > 0) {
            m_chunks.append(QByteArray(buffer, count));
        } else if (count == 0 || errno != EAGAIN) {
            m_hungUp = true;
            m_notifier->setEnabled(false);
        }
    }

    int m_fd;
    QSocketNotifier *m_notifier = nullptr;
    QList<QByteArray> m_chunks;
    bool m_hungUp = false;
};

struct Rig
{
    explicit Rig(const SimulatorOptions &options = {})
        : simulator(options)
        , started(simulator.start())
        , line(simulator.portPath())
    { }
    FixtureSimulator simulator;
    bool started;
    SlaveLine line;
};

double readingOf(const QByteArray &reply)
{
    return reply.trimmed().left(reply.trimmed().indexOf('p')).toDouble();
}

bool inBounds(int step, double value)
{
    constexpr double bounds[][2]
        = { { 0.1, 5.5 }, { 101, 139 }, { 555, 645 }, { 942, 1058 }, { 1623, 1777 } };
    return value >= bounds[step - 1][0] && value <= bounds[step - 1][1];
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void formatsReadings_data();
    void formatsReadings();
    void repliesInTheShapesReadersCut_data();
    void repliesInTheShapesReadersCut();
    void rawModeGatesCounts();
    void validationReadingsFollowStoredConstants_data();
    void validationReadingsFollowStoredConstants();
    void savedConstantsAreReportedAfterwards();
    void saveConfirmationOptions_data();
    void saveConfirmationOptions();
    void splitAndCoalesceChangeTheWritePattern();
    void quietOptionsHoldReplies_data();
    void quietOptionsHoldReplies();
    void queuedRepliesAndRawBytesReachTheLine();
    void hangUpRemovesThePort_data();
    void hangUpRemovesThePort();
    void servesFromItsOwnThread();
};

void TestSimulator::formatsReadings_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("low step") << 2.8 << QByteArray("2.8");
    QTest::newRow("just below 100") << 99.94 << QByteArray("99.9");
    QTest::newRow("from 100 up") << 100.4 << QByteArray("100");
    QTest::newRow("top step") << 1700.6 << QByteArray("1701");
    QTest::newRow("negative") << -94.04 << QByteArray("-94.0");
}

void TestSimulator::formatsReadings()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QCOMPARE(SensorModel::formatReading(value), text);
    QCOMPARE(SensorModel::readingLine(value), text + "pS/m, Cond\r\n");
}

void TestSimulator::repliesInTheShapesReadersCut_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("rs") << QByteArray("rs\r")
                        << QByteArray("KR-5M-LD-CV-LNK Validation Fixture\r\n");
    QTest::newRow("RS") << QByteArray("RS\r")
                        << QByteArray("KR-5M-LD-CV-LNK Validation Fixture\r\n");
    QTest::newRow("TO") << QByteArray("TO\r") << QByteArray("Timeout in 30 mins\r\n");
    QTest::newRow("to") << QByteArray("to\r") << QByteArray("Timeout in 30 mins\r\n");
    QTest::newRow("sn") << QByteArray("sn\r") << QByteArray("Serial Number = 2040\r\n");
    QTest::newRow("vr") << QByteArray("vr\r") << QByteArray("Version 3.4\r\n");
    QTest::newRow("cd") << QByteArray("cd\r")
                        << QByteArray("CALIBRATION DATE(MM/DD/YY) = 02/03/14\r\n");
    QTest::newRow("in") << QByteArray("in\r") << QByteArray("Serial Number = 611\r\n");
    QTest::newRow("iv") << QByteArray("iv\r") << QByteArray("Version 0.91\r\n");
    QTest::newRow("ic") << QByteArray("ic\r") << QByteArray("CALIBRATION DATE=05/06/17\r\n");
    QTest::newRow("mc") << QByteArray("mc\r") << QByteArray("MC = 0.500000\r\n");
    QTest::newRow("bc") << QByteArray("bc\r") << QByteArray("BC = -2.25000\r\n");
    QTest::newRow("line feed tolerated")
        << QByteArray("sn\r\n") << QByteArray("Serial Number = 2040\r\n");
    QTest::newRow("unknown") << QByteArray("V6\r") << QByteArray("Unknown command\r\n");
}

void TestSimulator::repliesInTheShapesReadersCut()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    SimulatorOptions options;
    options.fixtureSerial = "2040";
    options.fixtureVersion = "3.4";
    options.fixtureCalDate = "02/03/14";
    options.sensorSerial = "611";
    options.firmware = "0.91";
    options.sensorCalDate = "05/06/17";
    options.mc = 0.5;
    options.bc = -2.25;
    Rig rig(options);
    QVERIFY(rig.started && rig.line.isOpen());

    QCOMPARE(rig.line.exchange(command), reply);
    QCOMPARE(rig.simulator.commands(), QList<QByteArray> { command.left(2) });
    QCOMPARE(rig.simulator.received(), command);
}

void TestSimulator::rawModeGatesCounts()
{
    Rig rig;
    QVERIFY(rig.started && rig.line.isOpen());

    QCOMPARE(rig.line.exchange("C1\r"), QByteArray("Raw Value Mode Off\r\n"));
    QTest::qWait(rig.simulator.options().measureDelayMs * 3);
    QCOMPARE(rig.line.take(), QByteArray());

    QCOMPARE(rig.line.exchange("rw\r"), QByteArray("Raw Value Mode On\r\n"));
    QVERIFY(rig.simulator.rawMode());
    QByteArray lows;
    for (int i = 0; i < 6; ++i)
        lows += rig.line.exchange("C1\r", 2);
    QCOMPARE(lows.count("Sampling\r\n"), 6);
    QCOMPARE(lows.replace("Sampling\r\n", ""),
        QByteArray("998,Counts\r\n999,Counts\r\n1000,Counts\r\n1001,Counts\r\n1002,Counts\r\n"
                   "998,Counts\r\n"));
    QCOMPARE(rig.line.exchange("C2\r", 2), QByteArray("Sampling\r\n2798,Counts\r\n"));
    QCOMPARE(rig.line.exchange("V1\r", 2), QByteArray("Sampling\r\n1000,Counts\r\n"));
    QCOMPARE(rig.line.exchange("V5\r", 2), QByteArray("Sampling\r\n2750,Counts\r\n"));

    QCOMPARE(rig.line.exchange("RW\r"), QByteArray("Raw Value Mode Off\r\n"));
    QVERIFY(!rig.simulator.rawMode());
}

void TestSimulator::validationReadingsFollowStoredConstants_data()
{
    QTest::addColumn<bool>("drifted");
    QTest::addColumn<int>("failStep");
    QTest::addColumn<QString>("verdicts");
    QTest::newRow("healthy") << false << 0 << QStringLiteral("PPPPP");
    QTest::newRow("drifted") << true << 0 << QStringLiteral("FFFFF");
    QTest::newRow("step 1 fails") << false << 1 << QStringLiteral("FPPPP");
    QTest::newRow("step 4 fails") << false << 4 << QStringLiteral("PPPFP");
}

void TestSimulator::validationReadingsFollowStoredConstants()
{
    QFETCH(bool, drifted);
    QFETCH(int, failStep);
    QFETCH(QString, verdicts);
    SimulatorOptions options;
    options.drifted = drifted;
    options.failStep = failStep;
    Rig rig(options);
    QVERIFY(rig.started && rig.line.isOpen());

    QString seen;
    for (int step = 1; step <= 5; ++step) {
        rig.line.send("V" + QByteArray::number(step) + "\r");
        QVERIFY(rig.line.waitForLines(2));
        const QList<QByteArray> chunks = rig.line.takeChunks();
        QCOMPARE(chunks.size(), 2);
        QCOMPARE(chunks.first(), QByteArray("Sampling\r\n"));
        QVERIFY(chunks.last().contains('C'));
        seen += inBounds(step, readingOf(chunks.last())) ? 'P' : 'F';
    }
    QCOMPARE(seen, verdicts);
}

void TestSimulator::savedConstantsAreReportedAfterwards()
{
    Rig rig;
    QVERIFY(rig.started && rig.line.isOpen());

    QCOMPARE(rig.line.exchange("mc=1.500000\r"), QByteArray("OK\r\n"));
    QCOMPARE(rig.line.exchange("bc=-3.00000\r"), QByteArray("OK\r\n"));
    QCOMPARE(rig.line.exchange("ic=07/04/26\r\r"), QByteArray("OK\r\n"));
    QTest::qWait(100);
    QCOMPARE(rig.line.take(), QByteArray());
    QCOMPARE(rig.simulator.commands().last(), QByteArray("ic=07/04/26"));
    QCOMPARE(rig.line.exchange("mc\r"), QByteArray("MC = 0.969556\r\n"));

    QVERIFY(QRegularExpression("^Saving Complete, 0x[0-9A-F]{2}\r\n$")
                .match(QString::fromLatin1(rig.line.exchange("sv\r")))
                .hasMatch());
    QCOMPARE(rig.line.exchange("mc\r"), QByteArray("MC = 1.500000\r\n"));
    QCOMPARE(rig.line.exchange("bc\r"), QByteArray("BC = -3.00000\r\n"));
    QCOMPARE(rig.line.exchange("ic\r"), QByteArray("CALIBRATION DATE=07/04/26\r\n"));
    QCOMPARE(rig.line.exchange("V1\r", 2), QByteArray("Sampling\r\n1497pS/m, Cond\r\n"));
}

void TestSimulator::saveConfirmationOptions_data()
{
    QTest::addColumn<bool>("confirmSave");
    QTest::addColumn<int>("lateSaveConfirmMs");
    QTest::addColumn<bool>("confirmedAtOnce");
    QTest::addColumn<bool>("confirmedLater");
    QTest::newRow("prompt") << true << 0 << true << true;
    QTest::newRow("late") << true << 250 << false << true;
    QTest::newRow("never") << false << 0 << false << false;
}

void TestSimulator::saveConfirmationOptions()
{
    QFETCH(bool, confirmSave);
    QFETCH(int, lateSaveConfirmMs);
    QFETCH(bool, confirmedAtOnce);
    QFETCH(bool, confirmedLater);
    SimulatorOptions options;
    options.confirmSave = confirmSave;
    options.lateSaveConfirmMs = lateSaveConfirmMs;
    Rig rig(options);
    QVERIFY(rig.started && rig.line.isOpen());

    QCOMPARE(rig.line.exchange("mc=2.5\r"), QByteArray("OK\r\n"));
    rig.line.send("sv\r");
    QTest::qWait(100);
    QCOMPARE(rig.line.take().startsWith("Saving Complete, 0x"), confirmedAtOnce);
    QCOMPARE(rig.simulator.mc(), 2.5);
    QTest::qWait(300);
    QCOMPARE(rig.line.take().startsWith("Saving Complete, 0x"), confirmedLater && !confirmedAtOnce);
}

void TestSimulator::splitAndCoalesceChangeTheWritePattern()
{
    SimulatorOptions options;
    options.splitChunk = 4;
    Rig rig(options);
    QVERIFY(rig.started && rig.line.isOpen());

    rig.line.send("sn\r");
    QVERIFY(rig.line.waitForLines(1));
    const QList<QByteArray> pieces = rig.line.takeChunks();
    QCOMPARE(pieces.join(), QByteArray("Serial Number = 1047\r\n"));
    QCOMPARE(pieces.size(), 6);
    for (const QByteArray &piece : pieces)
        QVERIFY(piece.size() <= 4);

    rig.simulator.options().splitChunk = 0;
    rig.simulator.options().coalesce = true;
    rig.line.send("sn\r");
    QTest::qWait(100);
    QVERIFY(rig.line.takeChunks().isEmpty());
    rig.line.send("vr\r");
    QVERIFY(rig.line.waitForLines(2));
    QCOMPARE(rig.line.takeChunks(),
        QList<QByteArray> { QByteArray("Serial Number = 1047\r\nVersion 1.2\r\n") });
}

void TestSimulator::quietOptionsHoldReplies_data()
{
    QTest::addColumn<int>("replyDelayMs");
    QTest::addColumn<bool>("silent");
    QTest::newRow("reply delay") << 300 << false;
    QTest::newRow("silent") << 0 << true;
}

void TestSimulator::quietOptionsHoldReplies()
{
    QFETCH(int, replyDelayMs);
    QFETCH(bool, silent);
    SimulatorOptions options;
    options.replyDelayMs = replyDelayMs;
    options.silent = silent;
    Rig rig(options);
    QVERIFY(rig.started && rig.line.isOpen());

    rig.line.send("TO\r");
    QTest::qWait(150);
    QCOMPARE(rig.line.take(), QByteArray());
    QCOMPARE(rig.simulator.commands(), QList<QByteArray> { "TO" });
    QCOMPARE(rig.line.waitForLines(1, replyDelayMs + 300), !silent);
}

void TestSimulator::queuedRepliesAndRawBytesReachTheLine()
{
    Rig rig;
    QVERIFY(rig.started && rig.line.isOpen());
    const QByteArray garbled("Ser\0al Nu#ber\r\n", 15);
    rig.simulator.queueReply("sn", garbled);

    QCOMPARE(rig.line.exchange("sn\r"), garbled);
    QCOMPARE(rig.line.exchange("sn\r"), QByteArray("Serial Number = 1047\r\n"));

    const QByteArray flood = QByteArray(20000, 'x') + QByteArray("\0\r\n", 3);
    rig.simulator.writeRaw(flood);
    QVERIFY(rig.line.waitForLines(1));
    QCOMPARE(rig.line.take(), flood);

    QCOMPARE(rig.simulator.received(), QByteArray("sn\rsn\r"));
    const QList<qint64> times = rig.simulator.commandTimesMs();
    QCOMPARE(times.size(), 2);
    QVERIFY(times.first() <= times.last());
    rig.simulator.clearLog();
    QVERIFY(rig.simulator.received().isEmpty() && rig.simulator.commands().isEmpty());
}

void TestSimulator::hangUpRemovesThePort_data()
{
    QTest::addColumn<QByteArray>("hangUpOn");
    QTest::addColumn<QByteArrayList>("answered");
    QTest::addColumn<QByteArray>("trigger");
    QTest::newRow("by call, reading pending")
        << QByteArray() << QByteArrayList() << QByteArray("V1");
    QTest::newRow("on V3") << QByteArray("V3") << QByteArrayList { "V1", "V2" } << QByteArray("V3");
    QTest::newRow("on bc=") << QByteArray("bc=") << QByteArrayList { "bc" } << QByteArray("bc=-3");
}

void TestSimulator::hangUpRemovesThePort()
{
    QFETCH(QByteArray, hangUpOn);
    QFETCH(QByteArrayList, answered);
    QFETCH(QByteArray, trigger);
    SimulatorOptions options;
    options.hangUpOn = hangUpOn;
    Rig rig(options);
    QVERIFY(rig.started && rig.line.isOpen());
    const QString path = rig.simulator.portPath();
    QVERIFY(QFile::exists(path));

    for (const QByteArray &command : answered)
        QVERIFY(!rig.line.exchange(command + "\r", command.startsWith('V') ? 2 : 1).isEmpty());
    rig.line.send(trigger + "\r");
    if (hangUpOn.isEmpty()) {
        QTRY_COMPARE(rig.simulator.commands().size(), 1);
        rig.simulator.hangUp();
    }

    QTRY_VERIFY(rig.line.isHungUp());
    QVERIFY(!rig.simulator.isOpen());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(rig.simulator.commands().last(), trigger);
    // Only a "Sampling" line that left before the hang-up may have come; never the reading.
    QTest::qWait(rig.simulator.options().measureDelayMs * 3);
    const QByteArray late = rig.line.take();
    QVERIFY2(late.isEmpty() || late == "Sampling\r\n", late.constData());
}

void TestSimulator::servesFromItsOwnThread()
{
    QThread worker;
    FixtureSimulator simulator;
    simulator.moveToThread(&worker);
    worker.start();
    QVERIFY(simulator.start());
    SlaveLine line(simulator.portPath());
    QVERIFY(line.isOpen());

    QCOMPARE(line.exchange("rs\r"), QByteArray("KR-5M-LD-CV-LNK Validation Fixture\r\n"));
    simulator.hangUp();
    QVERIFY(!QFile::exists(simulator.portPath()));
    worker.quit();
    worker.wait();
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
