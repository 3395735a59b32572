#include "firstframeprobe.h"

#include "clocks.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

FirstFrameProbe::FirstFrameProbe(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_window->installEventFilter(this);
}

bool FirstFrameProbe::eventFilter(QObject *watched, QEvent *event)
{
    // The native window exists by the time the widget is told it is shown, and is exposed
    // only after that.
    QWindow *window = m_window->windowHandle();
    if (watched == m_window && event->type() == QEvent::Show && window)
        window->installEventFilter(this);
    else if (watched == window && event->type() == QEvent::Expose && window->isExposed())
        reportAfterThisFrame();
    return false;
}

void FirstFrameProbe::reportAfterThisFrame()
{
    if (m_reported)
        return;
    m_reported = true;
    // The widget paints its first frame while it handles the expose event; a queued call runs
    // once that is done.
    QMetaObject::invokeMethod(
        this, [this] { emit framePainted(monotonicNs()); }, Qt::QueuedConnection);
}
