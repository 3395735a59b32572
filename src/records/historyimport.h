#ifndef HISTORYIMPORT_H
#define HISTORYIMPORT_H

#include <QSqlDatabase>
#include <QString>

// Imports the calibration history earlier versions kept at csvPath into the records, once.
// Every line becomes an event marked imported, its text kept as it was, all in one transaction
// with a last event that names the file by its hash; then the file is renamed
// calibration-history.imported.csv. An import cut short left nothing behind and is done whole at
// the next start; a file whose import was committed but not yet renamed is only renamed. True
// when there was nothing to import or it is imported.
bool importLegacyHistory(QSqlDatabase &db, const QString &csvPath, QString *error);

#endif
