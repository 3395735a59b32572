#include "slopewarning.h"

#include <QCoreApplication>
#include <QSettings>
#include <cmath>

namespace {
constexpr char thresholdSetting[] = "calibration/slopeWarningPercent";
}

double slopeWarningPercent()
{
    bool ok = false;
    const double threshold = QSettings().value(QLatin1String(thresholdSetting)).toDouble(&ok);
    // A setting that is no positive number would warn of every change or of none.
    return ok && std::isfinite(threshold) && threshold > 0 ? threshold : defaultSlopeWarningPercent;
}

QString slopeChangeWarning(const RunRecord &run, double thresholdPercent)
{
    const std::optional<double> change = run.slopeChangePercent();
    if (!change || std::abs(*change) <= thresholdPercent)
        return {};
    return QCoreApplication::translate("CalibrationDlg",
        "The new slope MC differs from the present one by %1 %. Check the standard solutions "
        "and the cell before storing.")
        .arg(std::abs(*change), 0, 'f', 1);
}
