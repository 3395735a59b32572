#ifndef HISTORYEXPORT_H
#define HISTORYEXPORT_H

#include <QSqlDatabase>
#include <QString>

class QIODevice;

// Writes every event of the records as a line of the calibration history CSV, in their order:
// the columns earlier versions wrote, in their order, then the new ones. Imported events give
// back the text they were imported with.
bool exportHistoryCsv(QSqlDatabase &db, QIODevice &out, QString *error);

#endif
