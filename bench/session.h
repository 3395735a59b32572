#ifndef SESSION_H
#define SESSION_H

#include "boxanswerer.h"
#include "pacedline.h"
#include "simulatorthread.h"
#include "technician.h"

#include <memory>
#include <optional>

// A technician at the real calibration dialog, which talks to the fixture at portPath: presses
// Connect and Continue and answers each closing message box with the answer that leaves the
// sensor as it is. Each step gives how long the dialog took from the press until what the
// technician waits for appeared, or nothing if it never did. Between steps the technician
// pauses as a person would, so the dialog's repainting after one step does not fall into the
// next.
class BenchTechnician
{
public:
    explicit BenchTechnician(const QString &portPath);

    // Connect, until the choice of Validation or Calibration is shown.
    std::optional<qint64> identify();
    // Validation, then Continue, until the result box is shown.
    std::optional<qint64> validate();
    // Calibration, then Continue, until the question whether to store the constants is shown.
    std::optional<qint64> calibrateToStoreQuestion();
    // Calibration, then Continue, Yes to storing the constants, until the validation that
    // follows has ended. False if it did not within the time a real sensor takes.
    bool calibrateAndStore();
    void pressConnect() { m_technician.pressConnect(); }
    QString fieldText(const char *objectName) const;

private:
    std::optional<qint64> pressAndAwait(
        const char *buttonName, std::function<bool(QWidget *)> awaited);
    void choose(const char *modeButtonName);

    std::unique_ptr<CalibrationDlg> m_dialog;
    Technician m_technician;
    BoxAnswerer m_answerer;
};

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
    BenchTechnician driver;
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
    BenchTechnician driver;
};

// A fixture that answers every command at once; only its sensor takes its usual time to sample
// between "Sampling" and the reading.
SimulatorOptions answeringAtOnce();
// A fixture whose sensor reads at once as well: the reading follows "Sampling" straight away,
// often in the same read as the notice.
SimulatorOptions readingAtOnce();

// Whether the dialog shows exactly what the default healthy sensor measured; a reply cut in the
// wrong place shows a different number.
bool validationReadCorrectly(const BenchTechnician &driver);
bool calibrationReadCorrectly(const BenchTechnician &driver);

#endif
