#ifndef FIRSTFRAMEPROBE_H
#define FIRSTFRAMEPROBE_H

#include <QObject>

class QWidget;

// Tells, once, when a top-level widget is on screen: its window has been exposed and the first
// frame painted into it. That is the moment a person would say the window has appeared.
class FirstFrameProbe : public QObject
{
    Q_OBJECT

public:
    explicit FirstFrameProbe(QWidget *window);

signals:
    void framePainted(qint64 atNs);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reportAfterThisFrame();

    QWidget *m_window;
    bool m_reported = false;
};

#endif
