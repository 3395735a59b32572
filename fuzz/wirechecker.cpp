#include "wirechecker.h"

#include "calibrationmath.h"
#include "protocol.h"

#include <QDate>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {
constexpr char commandEnd = '\r';
// The dialog drops an answer that grows past this without ending; it tells nothing then.
constexpr qsizetype maxAnswerBytes = 4096;

bool isFixedCommand(const QByteArray &command)
{
    static const std::array<QByteArray, 22> fixedCommands { Command::resetLower,
        Command::resetUpper, Command::timeoutUpper, Command::timeoutLower, Command::fixtureSerial,
        Command::fixtureVersion, Command::fixtureCalDate, Command::sensorSerial,
        Command::sensorVersion, Command::sensorCalDate, Command::slope, Command::offset,
        Command::rawModeToggle, Command::rawModeToggleUpper, Command::saveConstants,
        Command::validationReading(1), Command::validationReading(2), Command::validationReading(3),
        Command::validationReading(4), Command::validationReading(5), Command::lowRawReading(),
        Command::highRawReading() };
    const QByteArray terminated = command + commandEnd;
    return std::find(fixedCommands.begin(), fixedCommands.end(), terminated) != fixedCommands.end();
}

// The sensor parses the constant itself: padding or a word such as "nan" or "inf" would be
// stored as garbage or refused.
bool isFiniteNumber(const QByteArray &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) && text == text.trimmed();
}

bool isCalibrationDate(const QByteArray &text)
{
    return QDate::fromString(QString::fromLatin1(text), QStringLiteral("MM/dd/yy")).isValid();
}

QString printable(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toPercentEncoding(" =/.,:+-"));
}

bool isDateCommand(const QByteArray &command)
{
    return command.startsWith(Command::setCalDate)
        && isCalibrationDate(command.mid(qstrlen(Command::setCalDate)));
}

bool isConstantCommand(const QByteArray &command)
{
    return command.startsWith(Command::setSlope) || command.startsWith(Command::setOffset);
}

// Whole lines, each without its CR LF; bytes after the last CR LF have not made a line yet.
QList<QByteArray> wholeLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype from = 0;
    for (qsizetype end; (end = bytes.indexOf("\r\n", from)) >= 0; from = end + 2)
        lines.append(bytes.mid(from, end - from));
    return lines;
}

// The sample an answer to "C1" or "C2" tells, read apart from the dialog's own code: after the
// command's echo, if any, the first line is the notice; the first later line with an upper-case
// 'C' is the reading, and its text before the comma the raw count. Empty where there is no
// reading line; a reading line without a whole 32-bit count tells an unreadable sample.
struct ToldSample
{
    bool hasReading = false;
    std::optional<qint64> count;
};

ToldSample sampleToldBy(QByteArray answer, const QByteArray &command)
{
    const QByteArray echo = command + commandEnd;
    if (answer.startsWith(echo + '\n'))
        answer.remove(0, echo.size() + 1);
    else if (answer.startsWith(echo))
        answer.remove(0, echo.size());
    const QList<QByteArray> lines = wholeLines(answer);
    const auto reading = std::find_if(lines.cbegin() + std::min<qsizetype>(1, lines.size()),
        lines.cend(), [](const QByteArray &line) { return line.contains('C'); });
    if (reading == lines.cend())
        return {};
    static const QRegularExpression wholeCount(QStringLiteral("^\\s*([+-]?[0-9]+)\\s*$"));
    const qsizetype comma = reading->indexOf(',');
    const QRegularExpressionMatch count
        = wholeCount.match(QString::fromLatin1(comma < 0 ? QByteArray() : reading->left(comma)));
    bool whole = false;
    const qint64 value = count.captured(1).toLongLong(&whole);
    whole = whole && value >= std::numeric_limits<int>::min()
        && value <= std::numeric_limits<int>::max();
    return { true, whole ? std::optional<qint64>(value) : std::nullopt };
}

// What is wrong with one command, or nothing. The date command ends in two carriage returns, so
// one empty command may follow it.
QString faultIn(const QByteArray &command, bool afterDate)
{
    if (command.isEmpty())
        return afterDate ? QString() : QStringLiteral("empty command");
    if (isFixedCommand(command) || isDateCommand(command))
        return {};
    if (!isConstantCommand(command))
        return QStringLiteral("not a command: \"%1\"").arg(printable(command));
    // "mc=" and "bc=" are equally long.
    if (!isFiniteNumber(command.mid(qstrlen(Command::setSlope))))
        return QStringLiteral("constant that is not a finite number: \"%1\"")
            .arg(printable(command));
    return {};
}
}

void WireChecker::take(const QByteArray &bytes)
{
    m_partial.append(bytes);
    qsizetype end = m_partial.indexOf(commandEnd);
    while (end >= 0) {
        check(m_partial.left(end));
        m_partial.remove(0, end + 1);
        end = m_partial.indexOf(commandEnd);
    }
}

void WireChecker::finish()
{
    if (!m_partial.isEmpty())
        noteFault(QStringLiteral("command without its carriage return: \"%1\"")
                      .arg(printable(m_partial)));
    m_partial.clear();
}

void WireChecker::heard(const QByteArray &bytes)
{
    m_answer.append(bytes);
}

void WireChecker::check(const QByteArray &command)
{
    const QString fault = faultIn(command, m_dateJustSent);
    m_dateJustSent = isDateCommand(command);
    if (!fault.isEmpty())
        noteFault(fault);
    fileAnswer();
    m_lastCommand = command;
    if (command == "rw" || command == "RW") {
        m_lowAnswers.clear();
        m_highAnswers.clear();
    }
    checkConstant(command);
}

void WireChecker::fileAnswer()
{
    if (m_lastCommand == "C1")
        m_lowAnswers.append(m_answer);
    else if (m_lastCommand == "C2")
        m_highAnswers.append(m_answer);
    m_answer.clear();
}

void WireChecker::checkConstant(const QByteArray &command)
{
    const bool slope = command.startsWith(Command::setSlope);
    if (slope)
        m_expected = constantsOfTheSamples();
    if (!m_expected || (!slope && !command.startsWith(Command::setOffset)))
        return;
    const QByteArray expected = slope ? m_expected->slope : m_expected->offset;
    if (command.mid(qstrlen(Command::setSlope)) != expected)
        noteFault(QStringLiteral("\"%1\" where the samples sent give %2")
                      .arg(printable(command), QString::fromLatin1(expected)));
}

// The constants of the counted samples: each set opens with a reading that is not counted, and
// an unreadable sample is asked for again. Empty where an answer does not tell its sample.
std::optional<WireChecker::Constants> WireChecker::constantsOfTheSamples() const
{
    qint64 averages[2] = {};
    const QList<QByteArray> *sets[2] = { &m_lowAnswers, &m_highAnswers };
    for (int set = 0; set < 2; ++set) {
        const QList<QByteArray> &answers = *sets[set];
        if (answers.isEmpty())
            return std::nullopt;
        qint64 sum = 0;
        int counted = 0;
        for (qsizetype at = 1; at < answers.size(); ++at) {
            const ToldSample told = sampleToldBy(answers.at(at), set == 0 ? "C1" : "C2");
            if (!told.hasReading || answers.at(at).size() > maxAnswerBytes)
                return std::nullopt;
            if (told.count) {
                sum += *told.count;
                ++counted;
            }
        }
        if (counted != samplesPerSet) {
            const QByteArray none = "no constants: " + QByteArray::number(counted)
                + " samples counted in a set, not " + QByteArray::number(samplesPerSet);
            return Constants { none, none };
        }
        averages[set] = sum / samplesPerSet;
    }
    const double slope = referenceSpan / double(averages[1] - averages[0]);
    const double offset = lowReference - slope * double(averages[0]);
    return Constants { QByteArray::number(slope, 'f', 6), QByteArray::number(offset, 'f', 5) };
}

void WireChecker::noteFault(const QString &fault)
{
    if (m_fault.isEmpty())
        m_fault = fault;
}
