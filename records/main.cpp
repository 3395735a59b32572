// cvu-records: the calibration records of the Conductivity Validation Utility, checked and
// exported from the command line.

#include "appnames.h"
#include "commands.h"
#include "recordsdatabase.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {
int run(QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("cvu-records",
        "The calibration records of the Conductivity Validation Utility.\n\n"
        "Commands:\n"
        "  verify                  check that no record was changed since it was written\n"
        "  export --csv FILE       write every record as a line of a CSV file"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption databaseOption(QStringLiteral("database"),
        QCoreApplication::translate("cvu-records",
            "The records database to use instead of the program's own."),
        QStringLiteral("FILE"));
    const QCommandLineOption csvOption(QStringLiteral("csv"),
        QCoreApplication::translate("cvu-records", "With export: the CSV file to write."),
        QStringLiteral("FILE"));
    parser.addOptions({ databaseOption, csvOption });
    parser.addPositionalArgument(QStringLiteral("command"),
        QCoreApplication::translate("cvu-records", "verify or export"));
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString database = parser.isSet(databaseOption) ? parser.value(databaseOption)
                                                          : RecordsDatabase::defaultPath();
    const QString command = parser.positionalArguments().value(0);
    if (command == QLatin1String("verify"))
        return RecordsCommand::verify(database, out, err);
    if (command == QLatin1String("export") && parser.isSet(csvOption))
        return RecordsCommand::exportCsv(database, parser.value(csvOption), out, err);
    err << parser.helpText();
    return 2;
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The records are those of the utility: the same names give the same folder.
    nameApplication();
    return run(app);
}
