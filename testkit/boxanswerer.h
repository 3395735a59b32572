#ifndef BOXANSWERER_H
#define BOXANSWERER_H

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <chrono>
#include <deque>
#include <functional>

class QFileDialog;
class QPrintDialog;

// What a message box showed when it was answered, for the caller to check afterwards.
struct SeenBox
{
    QString title;
    QString text;
    QString informativeText;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat textFormat = Qt::AutoText;
};

// Answers the modal windows of the code it watches the way a user would: a message box by one
// of its buttons, a file dialog by a name typed into it, a print dialog by printing to a PDF
// file. Answers are queued before the code is triggered and given in order, each to the first
// modal window it matches, as soon as that window is shown (after `settle`, for a caller that
// wants to look at it first). A modal window no queued answer matches goes to the fallback;
// without one it is rejected after the patience and reported in problems(), so a caller that
// misses a window fails instead of hanging.
class BoxAnswerer : public QObject
{
public:
    using Answer = std::function<void(QWidget *modal)>;
    using Match = std::function<bool(QWidget *modal)>; // empty: any modal window

    explicit BoxAnswerer(std::chrono::milliseconds patience = std::chrono::seconds(3));
    ~BoxAnswerer() override;

    void answerNext(Answer answer, Match match = {});
    void pressButton(QMessageBox::StandardButton button, SeenBox *seen = nullptr,
        Match match = ofType<QMessageBox>());
    void chooseFile(const QString &path);
    void printToPdf(const QString &pdfPath);
    void reject(Match match);
    // For windows no queued answer matches.
    void setFallback(Answer fallback) { m_fallback = std::move(fallback); }
    void setSettleTime(std::chrono::milliseconds settle) { m_settle = settle; }

    int pending() const { return int(m_queue.size()); }
    void forgetPending() { m_queue.clear(); }
    bool waitUntilAnswered(std::chrono::milliseconds timeout = std::chrono::seconds(3));
    QStringList problems() const { return m_problems; }

    static Match titled(const QString &windowTitle);
    static Match offering(const QString &windowTitle, QMessageBox::StandardButton button);
    template <typename WidgetType> static Match ofType()
    {
        return [](QWidget *modal) { return qobject_cast<WidgetType *>(modal) != nullptr; };
    }

    // The hands themselves, for a caller that answers a window on its own.
    static SeenBox seen(const QMessageBox *box);
    static bool press(QMessageBox *box, QMessageBox::StandardButton button);
    static bool typeFileName(QFileDialog *dialog, const QString &path);
    static void printToPdf(QPrintDialog *dialog, const QString &pdfPath);
    static void rejectOrClose(QWidget *modal);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct QueuedAnswer
    {
        Match match;
        Answer answer;
    };

    void answerWindow(const QPointer<QWidget> &modal);
    void giveUpOn(const QPointer<QWidget> &modal);
    void note(const QString &problem, QWidget *modal);

    std::deque<QueuedAnswer> m_queue;
    Answer m_fallback;
    std::chrono::milliseconds m_patience;
    std::chrono::milliseconds m_settle { 0 };
    QList<QPointer<QWidget>> m_answered;
    QStringList m_problems;
};

#endif
