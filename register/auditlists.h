#ifndef AUDITLISTS_H
#define AUDITLISTS_H

#include "register.h"

#include <QStringList>

// What an auditor asks to see in the register, as rows of text: the window shows them, and a
// test reads them without one.
struct TextTable
{
    QStringList columns;
    QList<QStringList> rows;
};

// A run's events in their order: place, local time with its offset, the account and computer
// that made them, kind, verdict, devices, the values as kept (a device's replies byte for byte)
// and the hash that chains each to the one before.
TextTable auditTrail(const QList<RecordsDatabase::StoredEvent> &events);
// Every certificate issued, each revision on its own line, in the order they were issued.
TextTable certificatesIssued(const Register &records, QString *error);
// Every change of the lab's settings, fixtures' reference data and customers, and who made it.
TextTable settingsHistory(const LabRecords &lab);
// The table as CSV, as the records' export writes it.
QByteArray csvOf(const TextTable &table);

#endif
