// cvu-records: the calibration register of the Conductivity Validation Utility in a window, and
// the records checked, exported and certified from the command line.

#include "appsetup.h"
#include "commands.h"
#include "recordsdatabase.h"
#include "recordslog.h"
#include "recordssender.h"
#include "registerconfig.h"
#include "registerwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLoggingCategory>

#ifdef Q_OS_WIN
#include <cstdio>
#include <windows.h>
#endif

namespace {
const QStringList commandNames { "verify", "export", "recall", "certificate", "sync", "server-init",
    "server-admit", "set", "customer", "fixture" };
const QStringList answersWithoutWindow { "-h", "--help", "--help-all", "-v", "--version" };

// A command, or a question about the program, makes no window.
bool makesNoWindow(int argc, char *argv[])
{
    const QString first = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    return commandNames.contains(first) || answersWithoutWindow.contains(first);
}

QCommandLineOption option(const char *name, const char *description, const char *value = nullptr)
{
    return value ? QCommandLineOption(QLatin1String(name),
               QCoreApplication::translate("cvu-records", description), QLatin1String(value))
                 : QCommandLineOption(
                     QLatin1String(name), QCoreApplication::translate("cvu-records", description));
}

struct Options
{
    QCommandLineOption database
        = option("database", "The records database to use instead of the program's own.", "FILE");
    QCommandLineOption csv = option("csv", "With export, recall: the CSV file to write.", "FILE");
    QCommandLineOption sensors = option(
        "sensors", "With export: the CSV file to write the sensors list to instead.", "FILE");
    QCommandLineOption serial = option("serial",
        "With certificate, customer: the sensor's serial number; with fixture: the fixture's.",
        "SERIAL");
    QCommandLineOption fixture
        = option("fixture", "With recall: the fixture's serial number.", "SERIAL");
    QCommandLineOption reference = option("reference",
        "With recall, instead of a fixture: the certificate number of a reference standard's "
        "calibration, as recorded for the fixtures.",
        "NUMBER");
    QCommandLineOption from = option(
        "from", "With recall: the first day, yyyy-MM-dd (default: the first run).", "DATE");
    QCommandLineOption pdf = option("pdf",
        "With recall: the PDF file to write the list to, to send with a notice.", "FILE.pdf");
    QCommandLineOption until
        = option("until", "With recall: the last day, yyyy-MM-dd (default: today).", "DATE");
    QCommandLineOption run = option("run",
        "With certificate: the run, instead of the sensor's latest that can have a certificate.",
        "ID");
    QCommandLineOption output
        = option("output", "With certificate: the PDF file to write.", "FILE.pdf");
    QCommandLineOption approve = option("approve",
        "With certificate: approve it for issue as the account running this, and issue it.");
    QCommandLineOption amend = option("amend",
        "With certificate: issue its next revision, approved by the account running this.");
    QCommandLineOption reason
        = option("reason", "With certificate --amend: why the revision replaces the last.", "TEXT");
    QCommandLineOption approverName = option("approver-name",
        "With certificate: the approver's name as printed, instead of the account's full name.",
        "NAME");
    QCommandLineOption temperature = option(
        "temperature", "With certificate: the ambient temperature in degrees Celsius.", "VALUE");
    QCommandLineOption humidity
        = option("humidity", "With certificate: the relative humidity in percent.", "VALUE");
    QCommandLineOption condition = option(
        "condition", "With certificate: the item's condition as received, in words.", "TEXT");
    QCommandLineOption concession = option("concession",
        "With certificate: why it is issued although the reference was out of its interval.",
        "TEXT");
    QCommandLineOption certificate = option("certificate",
        "With verify: check this certificate against the records instead.", "FILE.pdf");
    QCommandLineOption set
        = option("set", "With customer, fixture: a value to record (repeatable).", "NAME=VALUE");
    QCommandLineOption role = option("role", "With server-admit: the bench's login role.", "ROLE");
    QCommandLineOption bench
        = option("bench", "With server-admit: the bench's computer name, as it sends it.", "NAME");
    QCommandLineOption server = option("server",
        "The lab's server, a libpq connection string or service name; given without a value, the "
        "one the settings name. With verify: also check every bench's records there.",
        "CONNINFO");
};

// "--server" given without a value names the server of the settings.
QStringList withServerNamed(QStringList arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--server"));
    if (at >= 0
        && (at + 1 == arguments.size() || arguments.at(at + 1).startsWith(QLatin1Char('-'))))
        arguments.insert(at + 1, configuredServer());
    return arguments;
}

template <typename Subject> QString namesText(const QList<NamedSetting<Subject>> &names)
{
    QString text;
    for (const NamedSetting<Subject> &named : names)
        text += QStringLiteral("  %1  %2\n")
                    .arg(QLatin1String(named.name), -26)
                    .arg(QCoreApplication::translate("Settings", named.meaning));
    return text;
}

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QCoreApplication::translate("cvu-records",
            "The calibration register of the Conductivity Validation Utility. Without a command it "
            "opens the register window.\n\n"
            "Commands:\n"
            "  verify                            check the records as an auditor would, and "
            "against "
            "the\n"
            "                                    lab's server where one is set\n"
            "  verify --certificate FILE.pdf     check a certificate against the records\n"
            "  export --csv FILE                 write every record as a line of a CSV file\n"
            "  export --sensors FILE             write the sensors list with every status that "
            "holds\n"
            "  recall --fixture SERIAL [--from DATE] [--until DATE] --csv FILE | --pdf FILE.pdf\n"
            "                                    write every run made with the fixture in the "
            "period,\n"
            "                                    with its results, certificate and customer\n"
            "  recall --reference NUMBER [--from DATE] [--until DATE] --csv FILE | --pdf FILE.pdf\n"
            "                                    the same for every fixture while that reference\n"
            "                                    standard's certificate was its calibration\n"
            "  certificate --serial SERIAL [--run ID] --output FILE.pdf [--approve | --amend "
            "--reason TEXT]\n"
            "                                    write a run's certificate: the issued one, or a "
            "draft;\n"
            "                                    --approve issues it, --amend its next revision\n"
            "  set NAME=VALUE...                 record the lab's settings\n"
            "  customer --serial SERIAL --set NAME=VALUE...\n"
            "                                    record a sensor's customer\n"
            "  fixture --serial SERIAL --set NAME=VALUE...\n"
            "                                    record a fixture's own calibration\n"
            "  sync [--server CONNINFO]          send what waits for the lab's server, and say "
            "whether\n"
            "                                    the server holds everything\n"
            "  server-init --server CONNINFO     set the lab's register up on its server (as its "
            "owner)\n"
            "  server-admit --server CONNINFO --role ROLE --bench NAME\n"
            "                                    let a bench role send one more bench's records, "
            "or\n"
            "                                    its records under a new computer name (as the "
            "owner)\n"
            "  verify --server [CONNINFO]        check every bench's records on the server\n")
        + QCoreApplication::translate("cvu-records", "\nNames for set:\n")
        + namesText(labSettingNames())
        + QCoreApplication::translate("cvu-records",
            "  contribution.NAME           a further contribution to every step's uncertainty, "
            "by the lab's own name:\n"
            "                              VALUE DISTRIBUTION [DEGREES], such as \"0.2 "
            "rectangular\"\n")
        + QCoreApplication::translate("cvu-records", "\nNames for customer --set:\n")
        + namesText(customerSettingNames())
        + QCoreApplication::translate("cvu-records", "\nNames for fixture --set:\n")
        + namesText(fixtureSettingNames()));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({ options.database, options.csv, options.sensors, options.fixture,
        options.reference, options.from, options.until, options.pdf, options.serial, options.run,
        options.output, options.approve, options.amend, options.reason, options.approverName,
        options.temperature, options.humidity, options.condition, options.concession,
        options.certificate, options.set, options.role, options.bench, options.server });
    parser.addPositionalArgument(QStringLiteral("command"),
        QCoreApplication::translate("cvu-records",
            "verify, export, recall, certificate, set, customer, fixture, sync, server-init or "
            "server-admit"),
        QStringLiteral("[command]"));
}

CertificateRequest certificateRequest(const QCommandLineParser &parser, const Options &options)
{
    CertificateRequest request;
    request.serial = parser.value(options.serial).toUtf8();
    request.run = parser.value(options.run);
    request.output = parser.value(options.output);
    request.action = parser.isSet(options.amend) ? CertificateAction::Amend
        : parser.isSet(options.approve)          ? CertificateAction::Approve
                                                 : CertificateAction::Show;
    request.details = { parser.value(options.approverName), parser.value(options.temperature),
        parser.value(options.humidity), parser.value(options.condition),
        parser.value(options.concession), parser.value(options.reason) };
    return request;
}

// A day given as yyyy-MM-dd; none when the option is not given; an invalid date when it cannot
// be read.
std::optional<QDate> dayOption(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    if (!parser.isSet(option))
        return std::nullopt;
    return QDate::fromString(parser.value(option), Qt::ISODate);
}

int recall(const QCommandLineParser &parser, const Options &options, const QString &database,
    QTextStream &out, QTextStream &err)
{
    const std::optional<QDate> from = dayOption(parser, options.from);
    const std::optional<QDate> until = dayOption(parser, options.until);
    for (const auto &[day, option] :
        { std::pair(from, &options.from), std::pair(until, &options.until) }) {
        if (day && !day->isValid()) {
            err << "--" << option->names().constFirst()
                << ": not a date (yyyy-MM-dd): " << parser.value(*option) << Qt::endl;
            return 2;
        }
    }
    return RecordsCommand::recall(database,
        { parser.value(options.fixture).toUtf8(), parser.value(options.reference), from, until,
            parser.value(options.csv), parser.value(options.pdf) },
        out, err);
}

int runCommand(const QString &command, const QCommandLineParser &parser, const Options &options,
    const QString &database)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString server
        = parser.isSet(options.server) ? parser.value(options.server) : configuredServer();
    if (command == QLatin1String("verify") && parser.isSet(options.certificate))
        return RecordsCommand::verifyCertificate(
            database, parser.value(options.certificate), out, err);
    if (command == QLatin1String("verify") && parser.isSet(options.server)) {
        // The benches' chains on the server, and these records against it where there are any.
        const int onServer = RecordsCommand::verifyServer(server, out, err);
        if (!QFileInfo::exists(database) && !parser.isSet(options.database))
            return onServer;
        return std::max(onServer, RecordsCommand::verify(database, server, out, err));
    }
    if (command == QLatin1String("verify"))
        return RecordsCommand::verify(database, server, out, err);
    if (command == QLatin1String("sync"))
        return RecordsCommand::sync(database, server, out, err);
    if (command == QLatin1String("server-init") && parser.isSet(options.server))
        return RecordsCommand::serverInit(server, out, err);
    if (command == QLatin1String("server-admit") && parser.isSet(options.server)
        && parser.isSet(options.role) && parser.isSet(options.bench))
        return RecordsCommand::serverAdmit(
            server, parser.value(options.role), parser.value(options.bench), out, err);
    if (command == QLatin1String("export") && parser.isSet(options.sensors))
        return RecordsCommand::exportSensors(database, parser.value(options.sensors), out, err);
    if (command == QLatin1String("export") && parser.isSet(options.csv))
        return RecordsCommand::exportCsv(database, parser.value(options.csv), out, err);
    if (command == QLatin1String("recall")
        && (parser.isSet(options.fixture) != parser.isSet(options.reference))
        && (parser.isSet(options.csv) || parser.isSet(options.pdf)))
        return recall(parser, options, database, out, err);
    if (command == QLatin1String("certificate") && parser.isSet(options.serial)
        && parser.isSet(options.output))
        return RecordsCommand::certificate(database, certificateRequest(parser, options), out, err);
    if (command == QLatin1String("set"))
        return RecordsCommand::changeSettings(database,
            { QLatin1String(EventKind::setting), {}, parser.positionalArguments().mid(1) }, out,
            err);
    if ((command == QLatin1String("customer") || command == QLatin1String("fixture"))
        && parser.isSet(options.serial))
        return RecordsCommand::changeSettings(database,
            { QLatin1String(command == QLatin1String("customer") ? EventKind::customer
                                                                 : EventKind::fixtureSetting),
                parser.value(options.serial).toUtf8(), parser.values(options.set) },
            out, err);
    err << parser.helpText();
    return 2;
}

// A windowed program on Windows has no console of its own; its commands speak to the one
// they were started from.
void speakToStartingConsole()
{
#ifdef Q_OS_WIN
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif
}
}

int main(int argc, char *argv[])
{
    // A command needs no display, not even to write a certificate.
    const bool command = makesNoWindow(argc, argv);
    if (command) {
        speakToStartingConsole();
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // A command's terminal is a person's, or a script's: the program's debug traces stay out
    // of it unless QT_LOGGING_RULES asks for them.
    if (command)
        QLoggingCategory::setFilterRules(QStringLiteral("cvu.*.debug=false"));
    installTranslations(app);
    QCommandLineParser parser;
    const Options options;
    describe(parser, options);
    parser.process(withServerNamed(QCoreApplication::arguments()));
    const QString database = parser.isSet(options.database) ? parser.value(options.database)
                                                            : RecordsDatabase::defaultPath();
    if (command)
        return runCommand(parser.positionalArguments().value(0), parser, options, database);
    RegisterWindow window(database, loadRegisterConfig().server);
    window.show();
    return app.exec();
}
