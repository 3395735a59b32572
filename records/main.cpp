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
const QStringList commandNames { "verify", "export", "certificate", "sync", "server-init",
    "server-admit" };
const QStringList answersWithoutWindow { "-h", "--help", "--help-all", "-v", "--version" };

// A command, or a question about the program, makes no window.
bool makesNoWindow(int argc, char *argv[])
{
    const QString first = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    return commandNames.contains(first) || answersWithoutWindow.contains(first);
}

struct Options
{
    QCommandLineOption database { QStringLiteral("database"),
        QCoreApplication::translate(
            "cvu-records", "The records database to use instead of the program's own."),
        QStringLiteral("FILE") };
    QCommandLineOption csv { QStringLiteral("csv"),
        QCoreApplication::translate("cvu-records", "With export: the CSV file to write."),
        QStringLiteral("FILE") };
    QCommandLineOption serial { QStringLiteral("serial"),
        QCoreApplication::translate("cvu-records", "With certificate: the sensor's serial number."),
        QStringLiteral("SERIAL") };
    QCommandLineOption run { QStringLiteral("run"),
        QCoreApplication::translate("cvu-records",
            "With certificate: the run, instead of the sensor's latest that ended with a passing "
            "validation."),
        QStringLiteral("ID") };
    QCommandLineOption output { QStringLiteral("output"),
        QCoreApplication::translate("cvu-records", "With certificate: the PDF file to write."),
        QStringLiteral("FILE.pdf") };
    QCommandLineOption role { QStringLiteral("role"),
        QCoreApplication::translate("cvu-records", "With server-admit: the bench's login role."),
        QStringLiteral("ROLE") };
    QCommandLineOption bench { QStringLiteral("bench"),
        QCoreApplication::translate(
            "cvu-records", "With server-admit: the bench's computer name, as it sends it."),
        QStringLiteral("NAME") };
    QCommandLineOption server { QStringLiteral("server"),
        QCoreApplication::translate("cvu-records",
            "The lab's server, a libpq connection string or service name; given without a value, "
            "the one the settings name. With verify: check the server's records."),
        QStringLiteral("CONNINFO") };
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

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(QCoreApplication::translate("cvu-records",
        "The calibration register of the Conductivity Validation Utility. Without a command it "
        "opens the register window.\n\n"
        "Commands:\n"
        "  verify                            check that no record was changed since it was "
        "written\n"
        "  export --csv FILE                 write every record as a line of a CSV file\n"
        "  certificate --serial SERIAL [--run ID] --output FILE.pdf\n"
        "                                    write a run's calibration certificate\n"
        "  sync [--server CONNINFO]          send what waits for the lab's server, and say "
        "whether\n"
        "                                    everything is there\n"
        "  server-init --server CONNINFO     set the lab's register up on its server (as its "
        "owner)\n"
        "  server-admit --server CONNINFO --role ROLE --bench NAME\n"
        "                                    let a bench role send one more bench's records, "
        "or\n"
        "                                    its records under a new computer name (as the "
        "owner)\n"
        "  verify --server [CONNINFO]        check every bench's records on the server"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({ options.database, options.csv, options.serial, options.run, options.output,
        options.role, options.bench, options.server });
    parser.addPositionalArgument(QStringLiteral("command"),
        QCoreApplication::translate(
            "cvu-records", "verify, export, certificate, sync, server-init or server-admit"),
        QStringLiteral("[command]"));
}

int runCommand(const QString &command, const QCommandLineParser &parser, const Options &options,
    const QString &database)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString server
        = parser.isSet(options.server) ? parser.value(options.server) : configuredServer();
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
    if (command == QLatin1String("export") && parser.isSet(options.csv))
        return RecordsCommand::exportCsv(database, parser.value(options.csv), out, err);
    if (command == QLatin1String("certificate") && parser.isSet(options.serial)
        && parser.isSet(options.output))
        return RecordsCommand::certificate(database, parser.value(options.serial).toUtf8(),
            parser.value(options.run), parser.value(options.output), out, err);
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
