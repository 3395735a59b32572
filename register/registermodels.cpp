#include "registermodels.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QFileInfo>

namespace {
// Texts outside any window, in the translations under "Register".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Register)
};

QString dateOnly(const std::optional<QDateTime> &at)
{
    return at ? at->date().toString(Qt::ISODate) : QString();
}

QVariant sortKey(const std::optional<QDateTime> &at)
{
    return at ? QVariant(*at) : QVariant(QDateTime());
}

// Dark text on the status colours, light or dark palette alike.
QVariant colouredRole(int role, const QColor &ground)
{
    if (role == Qt::BackgroundRole)
        return QBrush(ground);
    if (role == Qt::ForegroundRole)
        return QBrush(Qt::black);
    return {};
}

QString validationText(const std::optional<ValidationResult> &validation)
{
    if (!validation)
        return QStringLiteral("—");
    return validation->passed ? Texts::tr("PASS") : Texts::tr("FAIL");
}

QVariant header(const QStringList &titles, int section, Qt::Orientation orientation, int role)
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return titles.value(section);
}

bool validRow(const QModelIndex &index, qsizetype rows)
{
    return index.isValid() && index.row() < rows;
}
}

QColor statusColour(SensorStatus status)
{
    switch (status) {
    case SensorStatus::Ok:
        return QColor(0xb9, 0xe4, 0xb0);
    case SensorStatus::DueSoon:
        return QColor(0xff, 0xe0, 0x8a);
    case SensorStatus::Overdue:
        return QColor(0xff, 0xb0, 0x80);
    case SensorStatus::LastRunFailed:
        return QColor(0xf4, 0x8f, 0x8f);
    }
    return {};
}

QColor warningColour()
{
    return statusColour(SensorStatus::Overdue);
}

QString adjustmentText(const RunSummary &run)
{
    if (!run.adjustment)
        return QStringLiteral("—");
    const Adjustment &adjustment = *run.adjustment;
    QString change;
    if (adjustment.slopeChangePercent)
        change = QStringLiteral(" (%1%2 %)")
                     .arg(*adjustment.slopeChangePercent >= 0 ? QStringLiteral("+") : QString())
                     .arg(*adjustment.slopeChangePercent, 0, 'f', 1);
    QString text = Texts::tr("MC %1 → %2%3, BC %4 → %5")
                       .arg(adjustment.oldSlope, adjustment.newSlope, change, adjustment.oldOffset,
                           adjustment.newOffset);
    if (!adjustment.confirmed)
        text += Texts::tr(", not confirmed stored");
    return text;
}

QString lapsedText(const QString &what)
{
    return Texts::tr("%1 (out of its calibration interval)").arg(what);
}

namespace {
// A device's date in a list: as the register shows dates, flagged where out of its interval;
// sorted by the date itself.
QVariant deviceDateCell(
    const std::optional<QDate> &read, const QString &sent, bool lapsed, int role)
{
    if (role == sortRole)
        return read ? QVariant(*read) : QVariant(QDate());
    const QString shown = deviceDateText(read, sent);
    return lapsed ? lapsedText(shown) : shown;
}
}

QString fixtureText(const ReferenceStandard &fixture)
{
    return fixture.outOfInterval ? lapsedText(fixture.serial) : fixture.serial;
}

// ---- Sensors

void SensorsModel::setSensors(
    const QList<SensorSummary> &sensors, const QDate &today, const RegisterSettings &settings)
{
    beginResetModel();
    m_sensors.clear();
    for (const SensorSummary &sensor : sensors)
        m_sensors.append({ sensor, dueState(sensor, today, settings) });
    endResetModel();
}

QMap<SensorStatus, int> SensorsModel::statusCounts() const
{
    QMap<SensorStatus, int> counts;
    for (const Row &row : m_sensors) {
        for (const SensorStatus status : row.due.statuses())
            ++counts[status];
    }
    return counts;
}

int SensorsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_sensors.size());
}

int SensorsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SensorsModel::data(const QModelIndex &index, int role) const
{
    if (!validRow(index, m_sensors.size()))
        return {};
    const Row &row = m_sensors.at(index.row());
    const SensorSummary &sensor = row.summary;
    if (index.column() == Status && (role == Qt::BackgroundRole || role == Qt::ForegroundRole))
        return colouredRole(role, statusColour(row.due.mostUrgent()));
    if (role == statusesRole) {
        int bits = 0;
        for (const SensorStatus status : row.due.statuses())
            bits |= 1 << int(status);
        return bits;
    }
    if (role != Qt::DisplayRole && role != sortRole)
        return {};
    const bool display = role == Qt::DisplayRole;
    switch (index.column()) {
    case Serial:
        return display && sensor.imported
            ? Texts::tr("%1 (imported)").arg(QString::fromUtf8(sensor.serial))
            : QString::fromUtf8(sensor.serial);
    case Model:
        return sensor.model;
    case Firmware:
        return sensor.firmware;
    case LastRun:
        return display ? QVariant(dateText(sensor.lastRun)) : QVariant(sensor.lastRun);
    case Result:
        return display ? QVariant(resultText(sensor.lastResult)) : QVariant(int(sensor.lastResult));
    case LastAdjustment:
        return display ? QVariant(dateOnly(sensor.lastCalibration))
                       : sortKey(sensor.lastCalibration);
    case LastPassed:
        return display ? QVariant(dateOnly(sensor.lastPassed)) : sortKey(sensor.lastPassed);
    case NextDue:
        return row.due.due
            ? QVariant(display ? row.due.due->toString(Qt::ISODate) : QVariant(*row.due.due))
            : QVariant(display ? QString() : QVariant(QDate()));
    case Status:
        return display ? QVariant(statusText(row.due))
                       : QVariant(int(row.due.mostUrgent()) * 100000 + row.due.daysLeft);
    }
    return {};
}

QVariant SensorsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return header(
        { Texts::tr("Serial"), Texts::tr("Model"), Texts::tr("Firmware"), Texts::tr("Last run"),
            Texts::tr("Result"), Texts::tr("Last adjustment"), Texts::tr("Last passed calibration"),
            Texts::tr("Next due"), Texts::tr("Status") },
        section, orientation, role);
}

void SensorsFilter::setStatus(std::optional<SensorStatus> status)
{
    m_status = status;
    invalidateFilter();
}

bool SensorsFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_status
        && !(sourceModel()->index(sourceRow, 0, sourceParent).data(statusesRole).toInt()
            & (1 << int(*m_status))))
        return false;
    return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}

// ---- One sensor's runs

void RunsModel::setRuns(const QList<RunSummary> &runs, const LabRecords &lab)
{
    beginResetModel();
    m_runs = runs;
    m_uncertainties.clear();
    for (const RunSummary &run : runs) {
        const UncertaintyInputs inputs = UncertaintyInputs::forRun(lab, run);
        Uncertainties uncertainties;
        uncertainties.rule = inputs.rule;
        if (run.asFound)
            uncertainties.asFound = validationUncertainty(*run.asFound, inputs);
        if (run.asLeft)
            uncertainties.asLeft = validationUncertainty(*run.asLeft, inputs);
        m_uncertainties.append(uncertainties);
    }
    endResetModel();
}

int RunsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_runs.size());
}

int RunsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RunsModel::data(const QModelIndex &index, int role) const
{
    if (!validRow(index, m_runs.size()))
        return {};
    const RunSummary &run = m_runs.at(index.row());
    if (index.column() == Fixture && run.fixture.outOfInterval
        && (role == Qt::BackgroundRole || role == Qt::ForegroundRole))
        return colouredRole(role, warningColour());
    if (role == Qt::ToolTipRole && index.column() == Report)
        return run.reportPath;
    const Uncertainties &uncertainties = m_uncertainties.at(index.row());
    if (role == Qt::ToolTipRole && index.column() == AsFound && uncertainties.asFound)
        return uncertainties.asFound->summary();
    if (role == Qt::ToolTipRole && (index.column() == AsLeft || index.column() == UnderRule)
        && uncertainties.asLeft)
        return uncertainties.asLeft->summary();
    if (role == Qt::ToolTipRole && index.column() == Certificate)
        return run.certificates.isEmpty() ? certificateRefusal(run)
                                          : run.certificates.join(QStringLiteral(", "));
    if (role != Qt::DisplayRole && role != sortRole)
        return {};
    switch (index.column()) {
    case Date:
        if (role == sortRole)
            return run.started;
        return run.imported ? Texts::tr("%1 (imported)").arg(dateText(run.started))
                            : dateText(run.started);
    case Bench:
        return run.computer;
    case Technician:
        return run.technician;
    case Fixture:
        return fixtureText(run.fixture);
    case AsFound:
        return validationText(run.asFound);
    case Adjustment:
        return adjustmentText(run);
    case AsLeft:
        return validationText(run.asLeft);
    case UnderRule:
        if (!uncertainties.asLeft)
            return QStringLiteral("—");
        return Texts::tr("%1: %2").arg(decisionRuleName(uncertainties.rule),
            uncertainties.asLeft->accepted ? Texts::tr("conforms") : Texts::tr("does not conform"));
    case Certificate:
        // Issued, or why it can have none.
        if (role == Qt::DisplayRole && run.certificates.isEmpty())
            return certificateRefusal(run).isEmpty() ? Texts::tr("not issued")
                                                     : QStringLiteral("—");
        return run.certificates.value(run.certificates.size() - 1);
    case Report:
        return QFileInfo(run.reportPath).fileName();
    }
    return {};
}

QVariant RunsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return header(
        { Texts::tr("Date"), Texts::tr("Bench"), Texts::tr("Technician"), Texts::tr("Fixture"),
            Texts::tr("As found"), Texts::tr("Adjustment"), Texts::tr("As left"),
            Texts::tr("Under the lab's rule"), Texts::tr("Certificate"), Texts::tr("Report") },
        section, orientation, role);
}

// ---- Fixtures

void FixturesModel::setFixtures(
    const QList<FixtureSummary> &fixtures, const QDate &today, const RegisterSettings &settings)
{
    beginResetModel();
    m_fixtures = fixtures;
    m_today = today;
    m_settings = settings;
    endResetModel();
}

int FixturesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fixtures.size());
}

int FixturesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FixturesModel::data(const QModelIndex &index, int role) const
{
    if (!validRow(index, m_fixtures.size()))
        return {};
    const FixtureSummary &fixture = m_fixtures.at(index.row());
    const bool lapsed = fixture.calibrationDate
        && outOfInterval(*fixture.calibrationDate, m_today, m_settings.fixtureIntervalMonths);
    if (index.column() == CalibrationDate && lapsed
        && (role == Qt::BackgroundRole || role == Qt::ForegroundRole))
        return colouredRole(role, warningColour());
    if (index.column() == CalibrationDate && role == Qt::ToolTipRole)
        return deviceDateTip(fixture.calibrationDateText);
    if (role != Qt::DisplayRole && role != sortRole)
        return {};
    switch (index.column()) {
    case Serial:
        return QString::fromUtf8(fixture.serial);
    case Model:
        return fixture.model;
    case CalibrationDate:
        return deviceDateCell(fixture.calibrationDate, fixture.calibrationDateText, lapsed, role);
    case Runs:
        return fixture.runs;
    case LastRun:
        return role == Qt::DisplayRole ? QVariant(dateText(fixture.lastRun))
                                       : QVariant(fixture.lastRun);
    }
    return {};
}

QVariant FixturesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return header({ Texts::tr("Serial"), Texts::tr("Model"), Texts::tr("Calibration date"),
                      Texts::tr("Runs"), Texts::tr("Last run") },
        section, orientation, role);
}

// ---- Runs with one fixture

void FixtureRunsModel::setRuns(const QList<RecalledRun> &runs)
{
    beginResetModel();
    m_runs = runs;
    endResetModel();
}

QList<QByteArray> FixtureRunsModel::sensors() const
{
    QList<QByteArray> sensors;
    for (const RecalledRun &recalled : m_runs) {
        if (!sensors.contains(recalled.made.sensorSerial))
            sensors.append(recalled.made.sensorSerial);
    }
    return sensors;
}

int FixtureRunsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_runs.size());
}

int FixtureRunsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FixtureRunsModel::data(const QModelIndex &index, int role) const
{
    if (!validRow(index, m_runs.size()))
        return {};
    const FixtureRun &run = m_runs.at(index.row()).made;
    const RunSummary &summary = m_runs.at(index.row()).run;
    if (index.column() == FixtureCalibration && run.outOfInterval
        && (role == Qt::BackgroundRole || role == Qt::ForegroundRole))
        return colouredRole(role, warningColour());
    if (index.column() == FixtureCalibration && role == Qt::ToolTipRole)
        return deviceDateTip(run.fixtureCalibrationDateText);
    if (role != Qt::DisplayRole && role != sortRole)
        return {};
    switch (index.column()) {
    case Date:
        return role == Qt::DisplayRole ? QVariant(dateText(run.at)) : QVariant(run.at);
    case Sensor:
        return QString::fromUtf8(run.sensorSerial);
    case FixtureCalibration:
        return deviceDateCell(
            run.fixtureCalibrationDate, run.fixtureCalibrationDateText, run.outOfInterval, role);
    case ReferenceCertificate:
        return run.referenceCertificate;
    case AsFound:
        return validationText(summary.asFound);
    case Adjustment:
        return adjustmentText(summary);
    case AsLeft:
        return validationText(summary.asLeft);
    case Certificate:
        return summary.certificates.isEmpty() ? QStringLiteral("—") : summary.certificates.last();
    case Customer:
        return m_runs.at(index.row()).customer;
    }
    return {};
}

QVariant FixtureRunsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return header(
        { Texts::tr("Date"), Texts::tr("Sensor"), Texts::tr("Fixture calibration date"),
            Texts::tr("Reference certificate"), Texts::tr("As found"), Texts::tr("Adjustment"),
            Texts::tr("As left"), Texts::tr("Certificate"), Texts::tr("Customer") },
        section, orientation, role);
}
