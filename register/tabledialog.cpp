#include "tabledialog.h"

#include "ui_tabledialog.h"

#include <QHeaderView>

namespace {
// Columns fit the rows in sight and a few more, not all of a long history's.
constexpr int resizePrecisionRows = 200;
}

TableDialog::TableDialog(
    const QString &title, const QString &about, const TextTable &table, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::TableDialog)
{
    ui->setupUi(this);
    setWindowTitle(title);
    ui->tableLBL_about->setFullText(about);
    m_rows.setHorizontalHeaderLabels(table.columns);
    for (const QStringList &row : table.rows) {
        QList<QStandardItem *> items;
        for (const QString &text : row) {
            auto *item = new QStandardItem(text);
            item->setToolTip(text);
            items.append(item);
        }
        m_rows.appendRow(items);
    }
    ui->tableTV_rows->setModel(&m_rows);
    ui->tableTV_rows->horizontalHeader()->setResizeContentsPrecision(resizePrecisionRows);
    ui->tableTV_rows->resizeColumnsToContents();
    ui->tableTV_rows->horizontalHeader()->setStretchLastSection(true);
}

TableDialog::~TableDialog()
{
    delete ui;
}
