#ifndef WIRECHECKER_H
#define WIRECHECKER_H

#include <QByteArray>
#include <QString>

// Follows what the dialog writes to the port and names the first thing the sensor would not
// understand: a command outside its command table, a constant that is not a finite number, or a
// command left without its carriage return.
class WireChecker
{
public:
    // The next bytes written; a command may arrive in pieces, or several in one write.
    void take(const QByteArray &bytes);
    // The port is gone: whatever is still unterminated never became a command.
    void finish();

    bool failed() const { return !m_fault.isEmpty(); }
    // The first fault found, empty while there is none.
    QString fault() const { return m_fault; }

private:
    void check(const QByteArray &command);
    void noteFault(const QString &fault);

    QByteArray m_partial;
    bool m_dateJustSent = false;
    QString m_fault;
};

#endif
