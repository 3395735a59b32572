#include "history.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {
enum Column {
    DateColumn,
    TimeColumn,
    FixtureModelColumn,
    FixtureSerialColumn,
    FixtureVersionColumn,
    SensorSerialColumn,
    SensorFirmwareColumn,
    EventColumn,
    FirstStepColumn,
    LowAverageColumn = FirstStepColumn + validationStepCount,
    HighAverageColumn,
    OldMcColumn,
    OldBcColumn,
    NewMcColumn,
    NewBcColumn,
    ReportFileColumn,
    ColumnCount
};

const QStringList columnTitles
    = { "Date", "Time", "Fixture model", "Fixture serial", "Fixture version", "Sensor serial",
          "Sensor firmware", "Event", "Step 1", "Step 2", "Step 3", "Step 4", "Step 5",
          "Low average", "High average", "Old MC", "Old BC", "New MC", "New BC", "Report file" };

// Without the byte-order mark, Excel on Windows reads the file in the ANSI code page and garbles
// every non-ASCII letter, such as one in the user name within a report's path.
const QByteArray utf8ByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

struct EventLayout
{
    const char *name;
    QList<int> detailColumns;
};

QList<int> stepColumns()
{
    QList<int> columns;
    for (int step = 0; step < validationStepCount; ++step)
        columns.append(FirstStepColumn + step);
    return columns;
}

// The event names stay English like the report's labels, so a filter set up in the spreadsheet
// keeps working whatever language the program is shown in.
EventLayout layoutOf(HistoryEvent event)
{
    switch (event) {
    case HistoryEvent::Identified:
        return { "Identified", {} };
    case HistoryEvent::ValidationPassed:
        return { "Validation passed", stepColumns() };
    case HistoryEvent::ValidationFailed:
        return { "Validation failed", stepColumns() };
    case HistoryEvent::CalibrationComputed:
        return { "Calibration computed",
            { LowAverageColumn, HighAverageColumn, NewMcColumn, NewBcColumn } };
    case HistoryEvent::CalibrationFailed:
        return { "Calibration failed: unreadable sample", {} };
    case HistoryEvent::ConstantsSent:
        return { "Constants sent", { OldMcColumn, OldBcColumn, NewMcColumn, NewBcColumn } };
    case HistoryEvent::SaveConfirmed:
        return { "Save confirmed", {} };
    case HistoryEvent::SaveNotConfirmed:
        return { "Save not confirmed", {} };
    case HistoryEvent::ReportWritten:
        return { "Report written", { ReportFileColumn } };
    }
    Q_UNREACHABLE();
}

QString averageText(const std::optional<qint64> &average)
{
    return average ? QString::number(*average) : QString();
}

// Values read from the sensor still end in the reply's CR LF, which would only split the cell.
QStringList allValues(const RunRecord &run, const QString &reportFile, const QDateTime &when)
{
    const QDateTime local = when.toLocalTime();
    QStringList values = { local.toString(QStringLiteral("yyyy-MM-dd")),
        local.toString(QStringLiteral("HH:mm:ss")), run.fixture.model.text, run.fixture.serial.text,
        run.fixture.firmware.text, run.sensor.serial.text, run.sensor.firmware.text, QString() };
    for (int step = 1; step <= validationStepCount; ++step)
        values += run.stepText(step);
    const CalibrationRecord calibration = run.calibration.value_or(CalibrationRecord());
    values += { averageText(calibration.lowAverage), averageText(calibration.highAverage),
        run.slope.text, run.offset.text, run.newSlopeText(), run.newOffsetText(),
        QDir::toNativeSeparators(reportFile) };
    Q_ASSERT(values.size() == ColumnCount);
    for (QString &value : values)
        value = value.trimmed();
    return values;
}

QStringList recordValues(
    const RunRecord &run, HistoryEvent event, const QString &reportFile, const QDateTime &when)
{
    const EventLayout layout = layoutOf(event);
    QStringList values = allValues(run, reportFile, when);
    values[EventColumn] = QString::fromLatin1(layout.name);
    for (int column = FirstStepColumn; column < ColumnCount; ++column) {
        if (!layout.detailColumns.contains(column))
            values[column].clear();
    }
    return values;
}

// RFC 4180, which every spreadsheet reads: a field holding a separator, a quote or a line break
// goes in quotes, with its own quotes doubled.
QString csvField(const QString &value)
{
    const bool needsQuotes = std::any_of(value.cbegin(), value.cend(),
        [](QChar c) { return c == u',' || c == u'"' || c == u'\r' || c == u'\n'; });
    if (!needsQuotes)
        return value;
    return u'"' + QString(value).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QByteArray csvLine(const QStringList &values)
{
    QStringList fields;
    for (const QString &value : values)
        fields.append(csvField(value));
    return fields.join(u',').toUtf8() + "\r\n";
}

// Handing the line to the operating system already survives a crash of this program or an
// unplugged fixture; syncing makes it survive a power cut or a flat laptop battery as well. On a
// busy disk that can take many milliseconds, which is why it happens on the writer's thread.
bool syncToDisk(QFile &file, QString *reason)
{
#ifdef Q_OS_WIN
    const bool synced = _commit(file.handle()) == 0;
#else
    const bool synced = ::fsync(file.handle()) == 0;
#endif
    if (!synced)
        *reason = QString::fromLocal8Bit(std::strerror(errno));
    return synced;
}

// Plain ASCII, because the name also travels on USB sticks, network shares and e-mail.
bool isSafeInFileName(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')
        || c == u'-' || c == u'_' || c == u'.';
}

// Appends one line, the header first when the file is new.
bool appendLine(const QString &filePath, const QByteArray &line, QString *reason)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        *reason
            = HistoryLog::tr("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    // Unbuffered, so a failed write leaves nothing in Qt's buffer that taking it back would flush.
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *reason = file.errorString();
        return false;
    }
    const qint64 sizeBefore = file.size();
    const QByteArray bytes
        = sizeBefore == 0 ? utf8ByteOrderMark + csvLine(columnTitles) + line : line;
    if (file.write(bytes) != bytes.size()) {
        *reason = file.errorString();
        // Half a line would run into the next event's line and shift all its columns.
        file.resize(sizeBefore);
        return false;
    }
    return syncToDisk(file, reason);
}

// One writer thread for the whole program: every log's lines reach the disk in the order they
// were handed over, and a dialog costs no thread of its own. It lives as long as the program
// does; each log waits for its own lines when it closes.
class HistoryWriter
{
public:
    struct Line
    {
        QString filePath;
        QByteArray bytes;
        HistoryLog *log; // whom to tell of a failure; none once that log is gone
    };

    static HistoryWriter &instance()
    {
        static auto *writer = new HistoryWriter;
        return *writer;
    }

    void hand(Line line)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_lines.push_back(std::move(line));
        }
        m_changed.notify_all();
    }

    bool waitUntilWritten(const HistoryLog *log, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] {
            return m_current.log != log
                && std::none_of(m_lines.cbegin(), m_lines.cend(),
                    [&](const Line &line) { return line.log == log; });
        });
    }

    void forget(const HistoryLog *log)
    {
        const std::lock_guard lock(m_mutex);
        for (Line &line : m_lines) {
            if (line.log == log)
                line.log = nullptr;
        }
        if (m_current.log == log)
            m_current.log = nullptr;
    }

private:
    HistoryWriter()
        : m_thread([this] { writeLines(); })
    { }

    void writeLines()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return !m_lines.empty(); });
            m_current = std::move(m_lines.front());
            m_lines.pop_front();
            lock.unlock();
            QString reason;
            const bool written = appendLine(m_current.filePath, m_current.bytes, &reason);
            lock.lock();
            // Under the lock, so the log cannot be going away meanwhile: the report is queued
            // to its thread.
            if (!written && m_current.log)
                emit m_current.log->writeFailed(
                    HistoryLog::tr("Cannot write the calibration history %1: %2")
                        .arg(QDir::toNativeSeparators(m_current.filePath), reason));
            m_current = {};
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Line> m_lines;
    Line m_current { {}, {}, nullptr };
    std::thread m_thread;
};
}

HistoryLog::HistoryLog(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
{ }

HistoryLog::~HistoryLog()
{
    // A disk that holds the writer up longer keeps the program from closing no further: the
    // lines are still written, only no failure is reported any more.
    waitUntilWritten(historyCloseWait);
    HistoryWriter::instance().forget(this);
}

QString HistoryLog::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/calibration-history.csv");
}

void HistoryLog::append(
    const RunRecord &run, HistoryEvent event, const QString &reportFile, const QDateTime &when)
{
    HistoryWriter::instance().hand(
        { m_filePath, csvLine(recordValues(run, event, reportFile, when)), this });
}

bool HistoryLog::waitUntilWritten(std::chrono::milliseconds timeout)
{
    return HistoryWriter::instance().waitUntilWritten(this, timeout);
}

QString suggestedReportName(const QString &sensorSerial, const QDate &date, bool calibrationReport)
{
    QString serial = sensorSerial.trimmed();
    for (QChar &c : serial) {
        if (!isSafeInFileName(c))
            c = u'_';
    }
    if (serial.isEmpty())
        serial = QStringLiteral("unknown");
    return QStringLiteral("KR-5M-LD_%1_%2_%3.txt")
        .arg(serial, date.toString(QStringLiteral("yyyy-MM-dd")),
            calibrationReport ? QStringLiteral("calibration") : QStringLiteral("validation"));
}
