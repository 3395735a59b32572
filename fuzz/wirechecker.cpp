#include "wirechecker.h"

#include "protocol.h"

#include <QDate>
#include <algorithm>
#include <array>
#include <cmath>

namespace {
constexpr char commandEnd = '\r';

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

void WireChecker::check(const QByteArray &command)
{
    const QString fault = faultIn(command, m_dateJustSent);
    m_dateJustSent = isDateCommand(command);
    if (!fault.isEmpty())
        noteFault(fault);
}

void WireChecker::noteFault(const QString &fault)
{
    if (m_fault.isEmpty())
        m_fault = fault;
}
