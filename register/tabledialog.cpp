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
    m_shown.setSourceModel(&m_rows);
    m_shown.setFilterKeyColumn(-1);
    m_shown.setFilterCaseSensitivity(Qt::CaseInsensitive);
    ui->tableTV_rows->setModel(&m_shown);
    ui->tableTV_rows->horizontalHeader()->setResizeContentsPrecision(resizePrecisionRows);
    ui->tableTV_rows->resizeColumnsToContents();
    ui->tableTV_rows->horizontalHeader()->setStretchLastSection(true);
}

TableDialog::~TableDialog()
{
    delete ui;
}

TextTable TableDialog::shownRows() const
{
    TextTable shown;
    for (int column = 0; column < m_rows.columnCount(); ++column)
        shown.columns.append(m_rows.horizontalHeaderItem(column)->text());
    for (int row = 0; row < m_shown.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < m_shown.columnCount(); ++column)
            cells.append(m_shown.index(row, column).data().toString());
        shown.rows.append(cells);
    }
    return shown;
}

void TableDialog::on_tableLE_filter_textChanged(const QString &text)
{
    m_shown.setFilterFixedString(text);
}

void TableDialog::on_tablePB_export_clicked()
{
    emit exportAsked(csvOf(shownRows()));
}
