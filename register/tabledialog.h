#ifndef TABLEDIALOG_H
#define TABLEDIALOG_H

#include "auditlists.h"

#include <QDialog>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

namespace Ui {
class TableDialog;
}

// One of the register's lists for an auditor to read: the rows in the records' order, each
// cell's whole text in its tooltip (a hash is longer than its column), filtered by a text, the
// rows shown exportable.
class TableDialog : public QDialog
{
    Q_OBJECT

public:
    TableDialog(const QString &title, const QString &about, const TextTable &table,
        QWidget *parent = nullptr);
    ~TableDialog() override;

    // The rows the filter lets through, in the order shown.
    TextTable shownRows() const;

signals:
    // Asked for with the button; the window writes it where the user chooses.
    void exportAsked(const QByteArray &csv);

private slots:
    void on_tableLE_filter_textChanged(const QString &text);
    void on_tablePB_export_clicked();

private:
    Ui::TableDialog *ui;
    QStandardItemModel m_rows;
    QSortFilterProxyModel m_shown;
};

#endif
