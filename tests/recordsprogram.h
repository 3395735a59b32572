#ifndef RECORDSPROGRAM_H
#define RECORDSPROGRAM_H

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

// What cvu-records said and how it ended, run as its own process as a lab's script runs it.
struct Said
{
    int status = -1;
    QString out;
    QString err;
    QString all() const { return out + err; }
};

// Runs cvu-records with the arguments; `before`, where given, runs in the child first (to
// become another account, or to limit the size of the files it writes).
inline Said runRecordsProgram(
    const QStringList &arguments, const std::function<void()> &before = {}, int timeoutMs = 60000)
{
    QProcess program;
    if (before)
        program.setChildProcessModifier(before);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(CVU_RECORDS_PROGRAM), arguments);
    Said said;
    if (program.waitForFinished(timeoutMs) && program.exitStatus() == QProcess::NormalExit)
        said.status = program.exitCode();
    said.out = QString::fromLocal8Bit(program.readAllStandardOutput());
    // Qt's own word about a session without a runtime folder (a test runner's) is not the
    // program's.
    for (const QString &line : QString::fromLocal8Bit(program.readAllStandardError()).split('\n')) {
        if (!line.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
            said.err += line + QLatin1Char('\n');
    }
    said.err.chop(1);
    return said;
}

// The child becomes the unprivileged account "nobody" (root only: tests run as root, whom no
// permission stops).
inline void becomeNobody()
{
    constexpr uid_t nobody = 65534;
    if (setgid(nobody) != 0 || setuid(nobody) != 0)
        _exit(3);
}

// The child may write no file past this size, as on a full disk.
inline std::function<void()> fileSizeLimit(qint64 bytes)
{
    return [bytes] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limited { static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes) };
        setrlimit(RLIMIT_FSIZE, &limited);
    };
}

// Every file of a folder with its SHA-256 and owner: what a command that only reads must leave
// exactly as it was.
inline QMap<QString, QString> folderState(const QString &folder)
{
    QMap<QString, QString> state;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &file : files) {
        QFile contents(file.filePath());
        contents.open(QIODevice::ReadOnly);
        state.insert(file.fileName(),
            QString::fromLatin1(
                QCryptographicHash::hash(contents.readAll(), QCryptographicHash::Sha256).toHex())
                + QStringLiteral(" owner %1").arg(file.ownerId()));
    }
    return state;
}

#endif
