#ifndef MODALANSWERER_H
#define MODALANSWERER_H

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>

// What a message box showed when it was answered, for the test to check afterwards.
struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat textFormat = Qt::AutoText;
};

// Answers modal windows the way a user would, for code under test that runs them with exec().
// Answers are queued before the code is triggered; while the nested event loop runs, a timer
// polls QApplication::activeModalWidget() and gives the first queued answer to the first modal
// window it matches. A modal window that no answer matches within the patience is rejected and
// reported in problems(), so a test that misses a box fails instead of hanging.
class ModalAnswerer
{
public:
    using Answer = std::function<void(QWidget *modal)>;
    using Match = std::function<bool(QWidget *modal)>; // empty: any modal window

    explicit ModalAnswerer(std::chrono::milliseconds patience = std::chrono::seconds(3));
    ModalAnswerer(const ModalAnswerer &) = delete;
    ModalAnswerer &operator=(const ModalAnswerer &) = delete;

    void answerNext(Answer answer, Match match = {});
    void pressButton(QMessageBox::StandardButton button, SeenBox *seen = nullptr,
        Match match = ofType<QMessageBox>());
    void reject(Match match);

    int pending() const { return int(m_queue.size()); }
    bool waitUntilAnswered(std::chrono::milliseconds timeout = std::chrono::seconds(3));
    QStringList problems() const { return m_problems; }

    static Match titled(const QString &windowTitle)
    {
        return [windowTitle](QWidget *modal) { return modal->windowTitle() == windowTitle; };
    }
    template <typename WidgetType> static Match ofType()
    {
        return [](QWidget *modal) { return qobject_cast<WidgetType *>(modal) != nullptr; };
    }

private:
    struct QueuedAnswer
    {
        Match match;
        Answer answer;
    };

    void poll();
    void note(const QString &problem, QWidget *modal);

    QTimer m_pollTimer;
    std::deque<QueuedAnswer> m_queue;
    QPointer<QWidget> m_lastAnswered;
    QPointer<QWidget> m_unanswered;
    QElapsedTimer m_unansweredSince;
    std::chrono::milliseconds m_patience;
    QStringList m_problems;
};

#endif
