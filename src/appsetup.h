#ifndef APPSETUP_H
#define APPSETUP_H

class QApplication;
class QString;

// What every program of the utility does first: give the application the names under which its
// data is kept (the calibration history lives in their application-data folder), and install the
// translation for the system's language when one is installed. The texts are written in English,
// which needs none.
void setUpApplication(QApplication &app);
// The names and the translation alone, for a program whose windows were not drawn for the forms'
// font.
void installTranslations(QApplication &app);
// English's own plural forms ("1 run", "2 runs"), which every language falls back on: the texts
// with a count are written once, with %n.
bool installPluralForms(QApplication &app);

// The font the forms were drawn for, as the application's default and in place of the
// instruction text's "MS Shell Dlg 2", so every text fits the widget drawn for it. Returns the
// family chosen.
QString useFormFont();

#endif
