#include "logging.h"

Q_LOGGING_CATEGORY(lcWindow, "cvu.window")
Q_LOGGING_CATEGORY(lcPort, "cvu.port")
Q_LOGGING_CATEGORY(lcDialogue, "cvu.dialogue")
Q_LOGGING_CATEGORY(lcReport, "cvu.report")
Q_LOGGING_CATEGORY(lcRecords, "cvu.records")
