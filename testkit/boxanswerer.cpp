#include "boxanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
// A file dialog may put its own start selection in once more just after it shows; the name is
// typed again until the dialog has taken it.
constexpr std::chrono::milliseconds typingPause { 20 };
constexpr std::chrono::seconds typingPatience { 5 };
}

BoxAnswerer::BoxAnswerer(std::chrono::milliseconds patience)
    : m_patience(patience)
{
    qApp->installEventFilter(this);
}

BoxAnswerer::~BoxAnswerer()
{
    qApp->removeEventFilter(this);
}

void BoxAnswerer::answerNext(Answer answer, Match match)
{
    m_queue.push_back({ std::move(match), std::move(answer) });
    // A window already waiting gets its answer now.
    if (QWidget *modal = QApplication::activeModalWidget())
        QMetaObject::invokeMethod(
            this, [this, modal = QPointer<QWidget>(modal)] { answerWindow(modal); },
            Qt::QueuedConnection);
}

void BoxAnswerer::pressButton(QMessageBox::StandardButton button, SeenBox *seenBox, Match match)
{
    answerNext(
        [this, button, seenBox](QWidget *modal) {
            auto *box = static_cast<QMessageBox *>(modal);
            if (seenBox)
                *seenBox = seen(box);
            if (!press(box, button)) {
                note(QStringLiteral("has no button %1").arg(button), modal);
                box->reject();
            }
        },
        std::move(match));
}

void BoxAnswerer::chooseFile(const QString &path)
{
    answerNext(
        [this, path](QWidget *modal) {
            if (!typeFileName(static_cast<QFileDialog *>(modal), path))
                note(QStringLiteral("did not take the name %1").arg(path), modal);
        },
        ofType<QFileDialog>());
}

void BoxAnswerer::printToPdf(const QString &pdfPath)
{
    answerNext(
        [pdfPath](QWidget *modal) { printToPdf(static_cast<QPrintDialog *>(modal), pdfPath); },
        ofType<QPrintDialog>());
}

void BoxAnswerer::reject(Match match)
{
    answerNext(rejectOrClose, std::move(match));
}

bool BoxAnswerer::waitUntilAnswered(std::chrono::milliseconds timeout)
{
    return QTest::qWaitFor([this] { return m_queue.empty(); }, int(timeout.count()));
}

BoxAnswerer::Match BoxAnswerer::titled(const QString &windowTitle)
{
    return [windowTitle](QWidget *modal) { return modal->windowTitle() == windowTitle; };
}

BoxAnswerer::Match BoxAnswerer::offering(
    const QString &windowTitle, QMessageBox::StandardButton button)
{
    return [windowTitle, button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        return box && box->windowTitle() == windowTitle && box->button(button);
    };
}

SeenBox BoxAnswerer::seen(const QMessageBox *box)
{
    return { box->windowTitle(), box->text(), box->informativeText(), box->standardButtons(),
        box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton,
        box->icon(), box->textFormat() };
}

bool BoxAnswerer::press(QMessageBox *box, QMessageBox::StandardButton button)
{
    QAbstractButton *target = box->button(button);
    if (!target)
        return false;
    target->click();
    return true;
}

// Typed into the name field, as a user would: the whole path, folder and all.
bool BoxAnswerer::typeFileName(QFileDialog *dialog, const QString &path)
{
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    const bool taken = name
        && QTest::qWaitFor(
            [&] {
                name->setText(path);
                QTest::qWait(int(typingPause.count()));
                return dialog->selectedFiles().value(0) == path;
            },
            int(std::chrono::milliseconds(typingPatience).count()));
    if (!taken) {
        dialog->reject();
        return false;
    }
    // QFileDialog::accept() would look the name up in its directory model first.
    static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
    return true;
}

void BoxAnswerer::printToPdf(QPrintDialog *dialog, const QString &pdfPath)
{
    dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
    dialog->printer()->setOutputFileName(pdfPath);
    // accept() would copy the dialog's own settings over the output file.
    dialog->done(QDialog::Accepted);
}

void BoxAnswerer::rejectOrClose(QWidget *modal)
{
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
}

// The window is answered from its own event loop, which starts once it is shown.
bool BoxAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *shown = static_cast<QWidget *>(watched);
        if (shown->isWindow() && shown->isModal()) {
            const QPointer<QWidget> modal(shown);
            if (m_settle.count() > 0)
                QTimer::singleShot(m_settle, this, [this, modal] { answerWindow(modal); });
            else
                QMetaObject::invokeMethod(
                    this, [this, modal] { answerWindow(modal); }, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void BoxAnswerer::answerWindow(const QPointer<QWidget> &modal)
{
    m_answered.removeAll(nullptr);
    if (!modal || !modal->isVisible() || m_answered.contains(modal))
        return;
    if (!m_queue.empty() && (!m_queue.front().match || m_queue.front().match(modal))) {
        const QueuedAnswer next = std::move(m_queue.front());
        m_queue.pop_front();
        m_answered.append(modal);
        next.answer(modal);
        return;
    }
    if (m_fallback) {
        m_answered.append(modal);
        m_fallback(modal);
        return;
    }
    QTimer::singleShot(m_patience, this, [this, modal] { giveUpOn(modal); });
}

void BoxAnswerer::giveUpOn(const QPointer<QWidget> &modal)
{
    if (!modal || !modal->isVisible() || m_answered.contains(modal))
        return;
    note(QStringLiteral("was left unanswered"), modal);
    m_answered.append(modal);
    rejectOrClose(modal);
}

void BoxAnswerer::note(const QString &problem, QWidget *modal)
{
    m_problems.append(
        QStringLiteral("%1 \"%2\" %3")
            .arg(QLatin1String(modal->metaObject()->className()), modal->windowTitle(), problem));
}
