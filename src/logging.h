#ifndef LOGGING_H
#define LOGGING_H

#include <QLoggingCategory>

// The program's debug traces, by what they are about, so QT_LOGGING_RULES can silence any of
// them ("cvu.*.debug=false" silences all).
Q_DECLARE_LOGGING_CATEGORY(lcWindow) // cvu.window: the start window
Q_DECLARE_LOGGING_CATEGORY(lcPort) // cvu.port: finding, opening and releasing the port
Q_DECLARE_LOGGING_CATEGORY(lcDialogue) // cvu.dialogue: commands, replies and the response timer
Q_DECLARE_LOGGING_CATEGORY(lcReport) // cvu.report: saving and printing the report
Q_DECLARE_LOGGING_CATEGORY(lcRecords) // cvu.records: the calibration records

#endif
