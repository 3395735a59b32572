#include "valuesdialog.h"

#include "ui_valuesdialog.h"

#include <QLineEdit>
#include <QMessageBox>

ValuesDialog::ValuesDialog(const QString &title, const QString &about, const QList<Value> &values,
    Check check, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ValuesDialog)
    , m_values(values)
    , m_check(std::move(check))
{
    ui->setupUi(this);
    setWindowTitle(title);
    ui->valuesLBL_about->setText(about);
    for (const Value &value : values) {
        auto *edit = new QLineEdit(value.current, this);
        edit->setObjectName(QStringLiteral("valuesLE_") + value.name);
        edit->setToolTip(value.meaning);
        edit->setAccessibleName(value.name);
        ui->valuesForm->addRow(value.name, edit);
        m_edits.append(edit);
    }
    connect(ui->valuesBB_buttons, &QDialogButtonBox::accepted, this, &ValuesDialog::accept);
}

ValuesDialog::~ValuesDialog()
{
    delete ui;
}

QList<std::pair<QString, QString>> ValuesDialog::changed() const
{
    QList<std::pair<QString, QString>> changed;
    for (qsizetype i = 0; i < m_values.size(); ++i) {
        if (m_edits.at(i)->text().trimmed() != m_values.at(i).current)
            changed.append({ m_values.at(i).name, m_edits.at(i)->text().trimmed() });
    }
    return changed;
}

void ValuesDialog::accept()
{
    for (const auto &[name, value] : changed()) {
        const QString refusal = m_check(name, value);
        if (!refusal.isEmpty()) {
            QMessageBox box(QMessageBox::Warning, windowTitle(), refusal, QMessageBox::Ok, this);
            box.setTextFormat(Qt::PlainText);
            box.exec();
            return;
        }
    }
    QDialog::accept();
}
