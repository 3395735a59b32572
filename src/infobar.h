#ifndef INFOBAR_H
#define INFOBAR_H

#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui {
class InfoBar;
}
QT_END_NAMESPACE

// The status line of the calibration dialog: every prompt and progress message lands here,
// each one replacing the last.
class InfoBar : public QWidget
{
    Q_OBJECT

public:
    explicit InfoBar(QWidget *parent = nullptr);
    ~InfoBar() override;

    void setText(const QString &text);
    QString text() const;

private:
    Ui::InfoBar *ui;
};

#endif
