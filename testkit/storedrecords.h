#ifndef STOREDRECORDS_H
#define STOREDRECORDS_H

#include "recordsdatabase.h"

// Every event of a records file as stored, with its place and hash, read in order through a
// connection of the reader's own; none when the file cannot be read.
QList<RecordsDatabase::StoredEvent> storedEvents(
    const QString &path = RecordsDatabase::defaultPath());

#endif
