#ifndef TABLEDIALOG_H
#define TABLEDIALOG_H

#include "auditlists.h"

#include <QDialog>
#include <QStandardItemModel>

namespace Ui {
class TableDialog;
}

// One of the register's lists for an auditor to read: the rows in the records' order, each
// cell's whole text in its tooltip (a hash is longer than its column).
class TableDialog : public QDialog
{
    Q_OBJECT

public:
    TableDialog(const QString &title, const QString &about, const TextTable &table,
        QWidget *parent = nullptr);
    ~TableDialog() override;

private:
    Ui::TableDialog *ui;
    QStandardItemModel m_rows;
};

#endif
