#ifndef VALUESDIALOG_H
#define VALUESDIALOG_H

#include <QDialog>
#include <functional>

class QLineEdit;

namespace Ui {
class ValuesDialog;
}

// Named values to edit, each on a line of its own with what it means: a fixture's reference
// data, a sensor's customer. OK takes them only when every changed one is a value its name can
// take; otherwise it says why.
class ValuesDialog : public QDialog
{
    Q_OBJECT

public:
    struct Value
    {
        QString name;
        QString meaning;
        QString current;
    };
    using Check = std::function<QString(const QString &name, const QString &value)>;

    ValuesDialog(const QString &title, const QString &about, const QList<Value> &values,
        Check check, QWidget *parent = nullptr);
    ~ValuesDialog() override;

    // The values that differ from those the dialog was opened with, as NAME and VALUE.
    QList<std::pair<QString, QString>> changed() const;

public slots:
    void accept() override;

private:
    Ui::ValuesDialog *ui;
    QList<Value> m_values;
    QList<QLineEdit *> m_edits;
    Check m_check;
};

#endif
