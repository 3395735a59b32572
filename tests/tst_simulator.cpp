#include "fixturesimulator.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The program's side of the line: the pts opened by path, each read kept as it arrived.
class SlaveLine
{
public:
    explicit SlaveLine(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
        , m_notifier(m_fd, QSocketNotifier::Read)
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { readAvailable(); });
    }
    ~SlaveLine() { ::close(m_fd); }

    bool isOpen() const { return m_fd >= 0; }
    bool send(const QByteArray &bytes) { return ::write(m_fd, bytes.data(), bytes.size()) > 0; }
    const QList<QByteArray> &reads() const { return m_reads; }

private:
    void readAvailable()
    {
        char buffer[4096];
        const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
        if (count > 0)
            m_reads.append(QByteArray(buffer, count));
        else if (count == 0 || errno != EAGAIN)
            m_notifier.setEnabled(false);
    }

    int m_fd;
    QSocketNotifier m_notifier;
    QList<QByteArray> m_reads;
};

}

// The simulator is the fixture of the end-to-end tests: where one of its options did not shape
// the line as it says, those tests would pass without proving anything.
class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void optionsShapeTheWrites_data()
    {
        QTest::addColumn<int>("framing");
        QTest::addColumn<int>("splitChunk");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("firstWrite");
        QTest::addColumn<QByteArray>("lastLine");
        const QByteArray reading = "120pS/m, Cond\r\n";
        const auto row = [&](const char *name, int framing, const QByteArray &firstWrite) {
            QTest::newRow(name) << framing << 0 << QByteArray("V2\r") << firstWrite << reading;
        };
        row("notice, then reading", 1, "Sampling\r\n");
        row("both at once", 2, "Sampling\r\n" + reading);
        row("reading cut in two", 3, "Sampling\r\n" + reading.left(reading.size() / 2));
        row("echo as a line", 4, "V2\r\nSampling\r\n");
        row("echo then notice", 5, "V2\rSampling\r\n");
        row("blank and prompt", 6, "Sampling\r\n\r\n> \r\n");
        QTest::newRow("reply in pieces") << 1 << 4 << QByteArray("sn\r") << QByteArray("Seri")
                                         << QByteArray("Serial Number = 1047\r\n");
    }

    void optionsShapeTheWrites()
    {
        QFETCH(int, framing);
        QFETCH(int, splitChunk);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, firstWrite);
        QFETCH(QByteArray, lastLine);
        SimulatorOptions options;
        options.framing = MeasurementFraming(framing);
        options.splitChunk = splitChunk;
        options.measureDelayMs = 200;
        FixtureSimulator simulator(options);
        QVERIFY(simulator.start());
        SlaveLine line(simulator.portPath());
        QVERIFY(line.isOpen());

        QVERIFY(line.send(command));
        QVERIFY(QTest::qWaitFor([&] { return line.reads().join().endsWith(lastLine); }, 2000));
        QCOMPARE(line.reads().constFirst(), firstWrite);
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
