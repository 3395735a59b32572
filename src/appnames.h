#ifndef APPNAMES_H
#define APPNAMES_H

#include "company.h"

#include <QCoreApplication>

// The names under which every program of the utility keeps its data (the calibration records
// live in their application-data folder), and the version they all carry.
inline void nameApplication()
{
    QCoreApplication::setOrganizationName(QLatin1String(Company::makerName));
    QCoreApplication::setApplicationName(QStringLiteral("Conductivity Validation Utility"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CVU_VERSION));
}

#endif
