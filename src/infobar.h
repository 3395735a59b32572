#ifndef INFOBAR_H
#define INFOBAR_H

#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui {
class InfoBar;
}
QT_END_NAMESPACE

// The status line of the calibration dialog: every prompt and progress message lands here,
// each one replacing the last. A message that has more to say offers "Why?" beside it.
class InfoBar : public QWidget
{
    Q_OBJECT

public:
    explicit InfoBar(QWidget *parent = nullptr);
    ~InfoBar() override;

    // Replaces the message, and the "Why?" of the last one.
    void setText(const QString &text);
    QString text() const;
    void offerWhy();
    bool offersWhy() const;

signals:
    void whyRequested();

private:
    Ui::InfoBar *ui;
};

#endif
