#include "chaincheck.h"

#include "recordsdatabase.h"

ChainCheck checkChain(QSqlDatabase &db, QString *error)
{
    ChainCheck check;
    QByteArray previous;
    const bool read = RecordsDatabase::readEvents(
        db, 0,
        [&](const RecordsDatabase::StoredEvent &stored) {
            if (chainHash(previous, stored.event, stored.storedPayload) != stored.hash) {
                check.firstMismatch
                    = QStringLiteral("event %1 (%2, %3, %4) does not match its record")
                          .arg(stored.seq)
                          .arg(stored.event.kind,
                              stored.event.localTime().toString(Qt::ISODate),
                              stored.event.id.toString(QUuid::WithoutBraces));
                return false;
            }
            previous = stored.hash;
            ++check.events;
            return true;
        },
        error);
    check.intact = read && check.firstMismatch.isEmpty();
    return check;
}
