#include "appsetup.h"

#include "company.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Where the install rules put the translations, seen from the programs' own folder, so an
// installed copy finds them wherever it was installed.
QString programTranslationsDir()
{
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral(CVU_TRANSLATIONS_RELATIVE_DIR));
}

bool installTranslation(QApplication &app, const QString &name, const QString &dir)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(), name, QStringLiteral("_"), dir))
        return app.installTranslator(translator);
    delete translator;
    return false;
}

}

void setUpApplication(QApplication &app)
{
    QCoreApplication::setOrganizationName(QLatin1String(Company::makerName));
    QCoreApplication::setApplicationName(QStringLiteral("Conductivity Validation Utility"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CVU_VERSION));
    // Qt's own texts (the standard buttons, the file and print dialogs) follow the program's
    // language, never a language the program itself does not speak.
    if (installTranslation(app, QStringLiteral("cvu"), programTranslationsDir()))
        installTranslation(
            app, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
