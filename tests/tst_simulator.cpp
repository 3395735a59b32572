#include "fixturesimulator.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTest>
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
    void send(const QByteArray &bytes)
    {
        QCOMPARE(::write(m_fd, bytes.data(), bytes.size()), bytes.size());
    }

    bool waitForLines(int count, int timeoutMs = replyTimeoutMs)
    {
        return QTest::qWaitFor([&] { return m_chunks.join().count("\r\n") >= count; }, timeoutMs);
    }
    QList<QByteArray> takeChunks() { return std::exchange(m_chunks, {}); }
    QByteArray received() const { return m_chunks.join(); }

private:
    void readAvailable()
    {
        char buffer[4096];
        const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
        if (count > 0) {
            m_chunks.append(QByteArray(buffer, count));
        } else if (count == 0 || errno != EAGAIN) {
            m_notifier->setEnabled(false);
        }
    }

    int m_fd;
    QSocketNotifier *m_notifier = nullptr;
    QList<QByteArray> m_chunks;
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

} // namespace

// The simulator is the fixture of the end-to-end tests: where one of its options did not shape
// the line as it says, those tests would pass without proving anything.
class TestSimulator : public QObject
{
    Q_OBJECT

private slots:

    void measurementFramings_data()
    {
        QTest::addColumn<int>("framing");
        QTest::addColumn<QByteArray>("firstWrite");
        const QByteArray reading = "120pS/m, Cond\r\n";
        QTest::newRow("notice, then reading") << 1 << QByteArray("Sampling\r\n");
        QTest::newRow("both at once") << 2 << "Sampling\r\n" + reading;
        QTest::newRow("reading cut in two")
            << 3 << "Sampling\r\n" + reading.left(reading.size() / 2);
        QTest::newRow("echo as a line") << 4 << QByteArray("V2\r\nSampling\r\n");
        QTest::newRow("echo then notice") << 5 << QByteArray("V2\rSampling\r\n");
        QTest::newRow("blank and prompt") << 6 << QByteArray("Sampling\r\n\r\n> \r\n");
    }

    void measurementFramings()
    {
        QFETCH(int, framing);
        QFETCH(QByteArray, firstWrite);
        SimulatorOptions options;
        options.framing = MeasurementFraming(framing);
        options.measureDelayMs = 200;
        Rig rig(options);
        QVERIFY(rig.started && rig.line.isOpen());

        rig.line.send("V2\r");
        QVERIFY(QTest::qWaitFor([&] { return rig.line.received().endsWith("Cond\r\n"); }, 2000));
        const QList<QByteArray> writes = rig.line.takeChunks();
        QCOMPARE(writes.constFirst(), firstWrite);
        QVERIFY(writes.join().endsWith("\r\n120pS/m, Cond\r\n"));
    }

    void splitRepliesArriveInPieces()
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
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
