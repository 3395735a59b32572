#ifndef WALKTHROUGH_H
#define WALKTHROUGH_H

#include "boxanswerer.h"
#include "technician.h"

#include <QDir>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class FixtureSimulator;
class QAbstractButton;
class Widget;

// A scripted technician for cvu-demo: drives the real windows through a whole job against the
// drifted simulated fixture (read the instructions, connect, a validation that fails, calibration,
// storing the constants, the validation that passes, saving and printing the report). It clicks
// what a user would click and answers each modal window by its title; it prints each status-bar
// message as it appears and saves a picture of the windows at each stage, the report and its
// printout into the output folder. Its hands are the technician's of the test kit.
class Walkthrough : public QObject
{
    Q_OBJECT

public:
    Walkthrough(Widget &window, const FixtureSimulator &simulator, const QString &outputDir);

    // Starts driving; the application's event loop then runs the job. The loop ends with exit
    // code 0 when the job ended as it should, 1 when it did not or took too long.
    bool start();
    bool succeeded() const;

private:
    struct Step
    {
        QString waitingFor;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    QList<Step> script();
    void answerBoxes();
    void poll();
    void printStatusChange();
    void fail(const QString &reason);
    void finish();

    void say(const QString &text) const;
    void saveWindowsPicture(const QString &name);
    void pressLater(QAbstractButton *button);
    void pressLater(const char *dialogButton);
    void answerBox(const QString &title, QMessageBox::StandardButton button, const char *picture);
    void scrollInstructionsToEnd();
    void choosePortAndConnect();

    bool dialogIsWaitingForUser() const;
    QString outcomeProblem() const;
    QString reportProblem() const;
    QString sensorProblem() const;

    Widget &m_window;
    const FixtureSimulator &m_simulator;
    QDir m_outputDir;
    QString m_reportPath;
    QString m_pdfPath;
    QList<Step> m_steps;
    int m_nextStep = 0;
    QTimer m_poll;
    QElapsedTimer m_clock;
    Technician m_technician;
    BoxAnswerer m_answerer;
    QString m_lastStatus;
    bool m_succeeded = false;
    bool m_over = false;
};

#endif
