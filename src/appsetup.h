#ifndef APPSETUP_H
#define APPSETUP_H

class QApplication;

// What every program of the utility does first: give the application the names under which its
// data is kept (the calibration history lives in their application-data folder), and install the
// translation for the system's language when one is installed. The texts are written in English,
// which needs none.
void setUpApplication(QApplication &app);

#endif
