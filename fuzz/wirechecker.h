#ifndef WIRECHECKER_H
#define WIRECHECKER_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Follows what the dialog writes to the port and names the first thing the sensor would not
// understand: a command outside its command table, a constant that is not a finite number, or a
// command left without its carriage return. It also follows what the dialog read in between:
// where every raw reading of a calibration was answered plainly enough to tell its sample, the
// MC and BC written must be the constants of those samples.
class WireChecker
{
public:
    // The next bytes written; a command may arrive in pieces, or several in one write.
    void take(const QByteArray &bytes);
    // The next bytes the dialog read: part of the answer to the command written last.
    void heard(const QByteArray &bytes);
    // The port is gone: whatever is still unterminated never became a command.
    void finish();

    bool failed() const { return !m_fault.isEmpty(); }
    // The first fault found, empty while there is none.
    QString fault() const { return m_fault; }

private:
    struct Constants
    {
        QByteArray slope, offset;
    };

    void check(const QByteArray &command);
    void fileAnswer();
    void checkConstant(const QByteArray &command);
    std::optional<Constants> constantsOfTheSamples() const;
    void noteFault(const QString &fault);

    QByteArray m_partial;
    bool m_dateJustSent = false;
    QString m_fault;

    QByteArray m_lastCommand;
    QByteArray m_answer;
    QList<QByteArray> m_lowAnswers, m_highAnswers; // since raw value mode was last switched
    std::optional<Constants> m_expected;
};

#endif
