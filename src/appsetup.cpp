#include "appsetup.h"

#include "appnames.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
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

// The forms were drawn on Windows for its dialog font, "MS Shell Dlg 2" at 8 pt, which Windows
// maps to Tahoma. Elsewhere the Tahoma-metric face that Wine ships stands in: Debian's
// fonts-wine keeps it in Wine's own folder, which fontconfig does not search. Without it the
// narrow faces still keep every text inside its widget, wider ones would not.
constexpr int formPointSize = 8;
const char *const formFamilies[] = { "Tahoma", "Liberation Sans Narrow", "DejaVu Sans Condensed" };
const char *const wineTahomaFiles[]
    = { "/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf" };

bool installTranslation(QApplication &app, const QString &name, const QString &dir)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(), name, QStringLiteral("_"), dir))
        return app.installTranslator(translator);
    delete translator;
    return false;
}

}

QString useFormFont()
{
    if (!QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        for (const char *file : wineTahomaFiles)
            QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    }
    QString family = QApplication::font().family();
    for (const char *candidate : formFamilies) {
        if (QFontDatabase::hasFamily(QLatin1String(candidate))) {
            family = QLatin1String(candidate);
            break;
        }
    }
    QFont::insertSubstitution(QStringLiteral("MS Shell Dlg 2"), family);
    QApplication::setFont(QFont(family, formPointSize));
    return family;
}

bool installPluralForms(QApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("cvu_en"), programTranslationsDir()))
        return app.installTranslator(translator);
    delete translator;
    return false;
}

void installTranslations(QApplication &app)
{
    nameApplication();
    // Installed first, so the system language's own forms, installed after, come first.
    installPluralForms(app);
    // Qt's own texts (the standard buttons, the file and print dialogs) follow the program's
    // language, never a language the program itself does not speak.
    if (installTranslation(app, QStringLiteral("cvu"), programTranslationsDir()))
        installTranslation(
            app, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

void setUpApplication(QApplication &app)
{
    useFormFont();
    installTranslations(app);
}
