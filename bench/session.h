#ifndef SESSION_H
#define SESSION_H

#include "dialogdriver.h"
#include "pacedline.h"
#include "simulatorthread.h"

// One technician's sitting: a fresh simulated fixture on its own thread, and a fresh calibration
// dialog that opens the fixture's pseudo-terminal directly. The dialog goes first, so it never
// sees its fixture vanish.
struct Session
{
    explicit Session(const SimulatorOptions &options)
        : fixture(options)
        , driver(fixture.portPath())
    { }

    SimulatorThread fixture;
    DialogDriver driver;
};

// The same sitting with the real serial line between them: every byte in either direction
// takes its character time at 19200 baud.
struct PacedSession
{
    explicit PacedSession(const SimulatorOptions &options)
        : fixture(options)
        , line(fixture.portPath())
        , driver(line.portPath())
    { }

    SimulatorThread fixture;
    PacedLine line;
    DialogDriver driver;
};

// A fixture that answers every command at once; only its sensor takes its usual time to sample
// between "Sampling" and the reading.
SimulatorOptions answeringAtOnce();
// A fixture whose sensor reads at once as well: the reading follows "Sampling" straight away,
// often in the same read as the notice.
SimulatorOptions readingAtOnce();

// Whether the dialog shows exactly what the default healthy sensor measured; a reply cut in the
// wrong place shows a different number.
bool validationReadCorrectly(const DialogDriver &driver);
bool calibrationReadCorrectly(const DialogDriver &driver);

#endif
