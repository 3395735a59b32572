#include "dialoguedriver.h"
#include "fuzzinput.h"
#include "responsetick.h"
#include "sha256.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {
void dropChatter(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // The dialogue's traces, and the offscreen platform's note on every message box, hundreds of
    // times a second, would bury the fuzzer's own report.
    if (type == QtDebugMsg || type == QtInfoMsg
        || message == QLatin1String("This plugin does not support propagateSizeHints()"))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg)
        std::abort();
}

// How the wire must end after each scripted start. A dialog that stopped following its script
// would otherwise leave the fuzzer quietly at the surface.
struct ScriptedStart
{
    StartPath path;
    const char *wireEnd;
};

constexpr std::array<ScriptedStart, startPathCount> scriptedStarts { {
    { StartPath::Identification, "rs\r" },
    { StartPath::Validation, "bc\rrw\r" },
    { StartPath::Calibration, "bc\rrw\r" },
    { StartPath::Saving, "mc=1.745200\r" },
} };

void checkScriptedStarts()
{
    for (const ScriptedStart &start : scriptedStarts) {
        FuzzInput nothing(nullptr, 0);
        DialogueDriver driver(nothing);
        driver.run(start.path);
        if (!driver.wire().endsWith(start.wireEnd)) {
            std::fprintf(stderr, "scripted start %d no longer reaches its state; wire: %s\n",
                static_cast<int>(start.path), driver.wire().toPercentEncoding(" =/.").constData());
            std::abort();
        }
    }
}
}

// Fontconfig keeps its configuration until the process ends, which the leak check at exit would
// report as a finding.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QPA_PLATFORMTHEME", "");
    // The dialog adds each run's events to the records in the application-data folder; nothing
    // it does depends on what they already hold. The fuzzer's records live in a folder of this
    // run, never the user's, and go with the run.
    static const QTemporaryDir dataHome(QDir::tempPath() + QStringLiteral("/cvu-fuzz-XXXXXX"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    qInstallMessageHandler(dropChatter);
    static int argc = 1;
    static char name[] = "cvu-fuzz-dialogue";
    static char *argv[] = { name, nullptr };
    // Lives until the process ends: libFuzzer exits without returning here.
    new QApplication(argc, argv);
    // OpenSSL reads its configuration on the first thread that hashes and keeps a note there.
    // The records thread is still running when libFuzzer exits, so the first hash is made on
    // this thread, whose notes OpenSSL's own exit handler frees.
    sha256Of({});
    setResponseTickForTesting(std::chrono::hours(1));
    checkScriptedStarts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const auto path = static_cast<StartPath>(input.takeByte() % startPathCount);
    DialogueDriver driver(input);
    driver.run(path);
    return 0;
}
