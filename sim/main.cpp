#include "escapedbytes.h"
#include "fixturesimulator.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };

void onTerminationSignal(int)
{
    const char wakeUp = 1;
    // Nothing else is safe in a signal handler; a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &wakeUp, 1);
}

// Unix signals reach the event loop through a pipe, so the simulator hangs up cleanly on the way
// out and the pts node is gone when we exit.
bool quitOnTerminationSignals(QCoreApplication &app)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0
        && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

void logTraffic(FixtureSimulator &simulator)
{
    QObject::connect(&simulator, &FixtureSimulator::commandReceived, [](const QByteArray &command) {
        QTextStream(stderr) << "<- " << escapedBytes(command) << Qt::endl;
    });
    QObject::connect(&simulator, &FixtureSimulator::replySent, [](const QByteArray &bytes) {
        QTextStream(stderr) << "-> " << escapedBytes(bytes) << Qt::endl;
    });
}

} // namespace

// What a technician or a test can ask of the simulated fixture.
class SimulatorCommandLine
{
    Q_DECLARE_TR_FUNCTIONS(SimulatorCommandLine)

public:
    SimulatorCommandLine()
    {
        m_parser.setApplicationDescription(
            tr("Plays the KR-5M-LD-CV-LNK fixture with a KR-5M-LD sensor on a pseudo-terminal.\n"
               "Prints the port to open on its first line, then answers until SIGINT or "
               "SIGTERM."));
        m_parser.addHelpOption();
        m_parser.addOptions({ m_fixtureSerial, m_fixtureVersion, m_sensorSerial, m_firmware, m_mc,
            m_bc, m_lowSamples, m_highSamples, m_drifted, m_failStep, m_replyDelay, m_measureDelay,
            m_framing, m_notice, m_garble, m_split, m_coalesce, m_silent, m_hangUpOn,
            m_noSaveConfirm, m_verbose });
    }

    void process(const QCoreApplication &app) { m_parser.process(app); }

    bool verbose() const { return m_parser.isSet(m_verbose); }

    bool fill(SimulatorOptions *options, QString *errorText) const
    {
        fillTexts(options);
        fillFlags(options);
        int framing = int(options->framing);
        const bool filled = fillSamples(options, errorText) && fillConstants(options, errorText)
            && readList(m_garble, &options->garbledRawReadings, errorText)
            && readCount(m_framing, 1, measurementFramingCount, &framing, errorText)
            && readCount(m_failStep, 0, 5, &options->failStep, errorText)
            && readCount(m_replyDelay, 0, maxDelayMs, &options->replyDelayMs, errorText)
            && readCount(m_measureDelay, 0, maxDelayMs, &options->measureDelayMs, errorText)
            && readCount(m_split, 0, maxSplit, &options->splitChunk, errorText);
        options->framing = MeasurementFraming(framing);
        return filled;
    }

private:
    static constexpr int maxDelayMs = 60000;
    static constexpr int maxSplit = 4096;

    void fillTexts(SimulatorOptions *options) const
    {
        readText(m_fixtureSerial, &options->fixtureSerial);
        readText(m_fixtureVersion, &options->fixtureVersion);
        readText(m_sensorSerial, &options->sensorSerial);
        readText(m_firmware, &options->firmware);
        readText(m_hangUpOn, &options->hangUpOn);
        readText(m_notice, &options->notice);
    }

    void fillFlags(SimulatorOptions *options) const
    {
        options->drifted = m_parser.isSet(m_drifted);
        options->coalesce = m_parser.isSet(m_coalesce);
        options->silent = m_parser.isSet(m_silent);
        options->confirmSave = !m_parser.isSet(m_noSaveConfirm);
    }

    bool fillSamples(SimulatorOptions *options, QString *errorText) const
    {
        if (!readList(m_lowSamples, &options->lowSamples, errorText)
            || !readList(m_highSamples, &options->highSamples, errorText))
            return false;
        // New samples without new constants mean a healthy sensor with those counts.
        const double rawLow = SensorModel::meanOf(options->lowSamples);
        const double rawHigh = SensorModel::meanOf(options->highSamples);
        if (rawLow == rawHigh) {
            *errorText = tr("The low and high samples must differ on average.");
            return false;
        }
        options->mc = SensorModel::healthySlope(rawLow, rawHigh);
        options->bc = SensorModel::healthyOffset(rawLow, rawHigh);
        return true;
    }

    bool fillConstants(SimulatorOptions *options, QString *errorText) const
    {
        return readNumber(m_mc, &options->mc, errorText)
            && readNumber(m_bc, &options->bc, errorText);
    }

    void readText(const QCommandLineOption &option, QByteArray *target) const
    {
        if (m_parser.isSet(option))
            *target = m_parser.value(option).toLatin1();
    }

    bool readNumber(const QCommandLineOption &option, double *target, QString *errorText) const
    {
        if (!m_parser.isSet(option))
            return true;
        bool ok = false;
        const double value = m_parser.value(option).toDouble(&ok);
        if (!ok)
            return refuse(option, errorText);
        *target = value;
        return true;
    }

    bool readCount(const QCommandLineOption &option, int minimum, int maximum, int *target,
        QString *errorText) const
    {
        if (!m_parser.isSet(option))
            return true;
        bool ok = false;
        const int value = m_parser.value(option).toInt(&ok);
        if (!ok || value < minimum || value > maximum)
            return refuse(option, errorText);
        *target = value;
        return true;
    }

    bool readList(const QCommandLineOption &option, QList<int> *target, QString *errorText) const
    {
        if (!m_parser.isSet(option))
            return true;
        QList<int> samples;
        for (const QString &field : m_parser.value(option).split(QLatin1Char(','))) {
            bool ok = false;
            samples.append(field.trimmed().toInt(&ok));
            if (!ok)
                return refuse(option, errorText);
        }
        *target = samples;
        return true;
    }

    bool refuse(const QCommandLineOption &option, QString *errorText) const
    {
        *errorText = tr("Invalid value for --%1: %2")
                         .arg(option.names().constFirst(), m_parser.value(option));
        return false;
    }

    QCommandLineParser m_parser;
    const QCommandLineOption m_fixtureSerial { QStringLiteral("fixture-serial"),
        tr("Serial number the fixture reports to \"sn\"."), tr("text") };
    const QCommandLineOption m_fixtureVersion { QStringLiteral("fixture-version"),
        tr("Version the fixture reports to \"vr\"."), tr("text") };
    const QCommandLineOption m_sensorSerial { QStringLiteral("sensor-serial"),
        tr("Serial number the sensor reports to \"in\"."), tr("text") };
    const QCommandLineOption m_firmware { QStringLiteral("firmware"),
        tr("Firmware version the sensor reports to \"iv\" (below 0.85 is refused)."), tr("text") };
    const QCommandLineOption m_mc { QStringLiteral("mc"),
        tr("Slope MC stored in the sensor (default: the healthy slope for the samples)."),
        tr("number") };
    const QCommandLineOption m_bc { QStringLiteral("bc"),
        tr("Offset BC stored in the sensor (default: the healthy offset for the samples)."),
        tr("number") };
    const QCommandLineOption m_lowSamples { QStringLiteral("low-samples"),
        tr("Raw counts at the low reference, answered to \"C1\" in turn (default "
           "998,999,1000,1001,1002)."),
        tr("n,n,...") };
    const QCommandLineOption m_highSamples { QStringLiteral("high-samples"),
        tr("Raw counts at the high reference, answered to \"C2\" in turn (default "
           "2798,2799,2800,2801,2802)."),
        tr("n,n,...") };
    const QCommandLineOption m_drifted { QStringLiteral("drifted"),
        tr("Start with MC scaled by 0.9, so that a validation fails.") };
    const QCommandLineOption m_failStep { QStringLiteral("fail-step"),
        tr("Push the reading of validation step 1 to 5 far out of range (0: none)."), tr("N") };
    const QCommandLineOption m_replyDelay { QStringLiteral("reply-delay"),
        tr("Wait this long before the first byte of each reply (default 0)."), tr("ms") };
    const QCommandLineOption m_measureDelay { QStringLiteral("measure-delay"),
        tr("Time between \"Sampling\" and the reading of a measurement (default 20)."), tr("ms") };
    const QCommandLineOption m_framing { QStringLiteral("framing"),
        tr("How measurements are answered: 1 the notice, then the reading; 2 both in one write; "
           "3 the notice with the reading's first half, the rest later; 4 the command echoed as "
           "a line with the notice; 5 the echo ending in CR, the notice on its line; 6 a blank "
           "and a prompt line between notice and reading (default 1)."),
        tr("N") };
    const QCommandLineOption m_notice { QStringLiteral("notice"),
        tr("The line that announces each measurement (default \"Sampling\")."), tr("text") };
    const QCommandLineOption m_garble { QStringLiteral("garble"),
        tr("Garble these raw readings, counting the answers to \"C1\" and \"C2\" from 1."),
        tr("n,n,...") };
    const QCommandLineOption m_split { QStringLiteral("split"),
        tr("Write each reply in pieces of N bytes, about 5 ms apart."), tr("N") };
    const QCommandLineOption m_coalesce { QStringLiteral("coalesce"),
        tr("Hold each reply back and write it together with the next one.") };
    const QCommandLineOption m_silent { QStringLiteral("silent"),
        tr("Read every command and answer none.") };
    const QCommandLineOption m_hangUpOn { QStringLiteral("hang-up-on"),
        tr("Hang up, as an unplugged adapter would, on receiving this command (ending in '=': "
           "any command starting with it)."),
        tr("command") };
    const QCommandLineOption m_noSaveConfirm { QStringLiteral("no-save-confirm"),
        tr("Store constants on \"sv\" without confirming the save.") };
    const QCommandLineOption m_verbose { QStringLiteral("verbose"),
        tr("Log each command and reply to standard error.") };
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cvu-simulator"));

    SimulatorCommandLine commandLine;
    commandLine.process(app);
    SimulatorOptions options;
    QString errorText;
    if (!commandLine.fill(&options, &errorText)) {
        QTextStream(stderr) << errorText << Qt::endl;
        return 2;
    }

    if (!quitOnTerminationSignals(app)) {
        QTextStream(stderr) << SimulatorCommandLine::tr("Cannot catch termination signals.")
                            << Qt::endl;
        return 1;
    }
    FixtureSimulator simulator(options);
    if (!simulator.start(&errorText)) {
        QTextStream(stderr) << errorText << Qt::endl;
        return 1;
    }
    if (commandLine.verbose())
        logTraffic(simulator);
    QTextStream(stdout) << simulator.portPath() << Qt::endl;
    return app.exec();
}
