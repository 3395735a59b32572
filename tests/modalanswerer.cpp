#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTest>

namespace {

constexpr std::chrono::milliseconds pollInterval(10);

void rejectOrClose(QWidget *modal)
{
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
}

}

ModalAnswerer::ModalAnswerer(std::chrono::milliseconds patience)
    : m_patience(patience)
{
    QObject::connect(&m_pollTimer, &QTimer::timeout, [this] { poll(); });
    m_pollTimer.start(pollInterval);
}

void ModalAnswerer::answerNext(Answer answer, Match match)
{
    m_queue.push_back({ std::move(match), std::move(answer) });
}

void ModalAnswerer::pressButton(QMessageBox::StandardButton button, SeenBox *seen, Match match)
{
    answerNext(
        [this, button, seen](QWidget *modal) {
            auto *box = static_cast<QMessageBox *>(modal);
            if (seen)
                *seen = { box->windowTitle(), box->text(), box->standardButtons(),
                    box->textFormat() };
            QAbstractButton *target = box->button(button);
            if (!target) {
                note(QStringLiteral("has no button %1").arg(button), modal);
                box->reject();
                return;
            }
            QTest::mouseClick(target, Qt::LeftButton);
        },
        std::move(match));
}

void ModalAnswerer::reject(Match match)
{
    answerNext(rejectOrClose, std::move(match));
}

bool ModalAnswerer::waitUntilAnswered(std::chrono::milliseconds timeout)
{
    return QTest::qWaitFor([this] { return m_queue.empty(); }, int(timeout.count()));
}

// A window that was just answered may stay modal for a moment while it closes; it is never
// answered twice, but it is watched like any other so that an answer that left it open cannot
// hang the test.
void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal) {
        m_unanswered.clear();
        return;
    }
    const bool matches
        = !m_queue.empty() && (!m_queue.front().match || m_queue.front().match(modal));
    if (modal != m_lastAnswered && matches) {
        const QueuedAnswer next = std::move(m_queue.front());
        m_queue.pop_front();
        m_lastAnswered = modal;
        m_unanswered.clear();
        next.answer(modal);
    } else if (modal != m_unanswered) {
        m_unanswered = modal;
        m_unansweredSince.start();
    } else if (m_unansweredSince.hasExpired(m_patience.count())) {
        note(QStringLiteral("was left unanswered"), modal);
        m_unanswered.clear();
        rejectOrClose(modal);
    }
}

void ModalAnswerer::note(const QString &problem, QWidget *modal)
{
    m_problems.append(
        QStringLiteral("%1 \"%2\" %3")
            .arg(QLatin1String(modal->metaObject()->className()), modal->windowTitle(), problem));
}
