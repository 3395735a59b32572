#ifndef REGISTERMODELS_H
#define REGISTERMODELS_H

#include "register.h"
#include "rununcertainty.h"

#include <QAbstractTableModel>
#include <QMap>
#include <QSortFilterProxyModel>

// The roles the views sort by: the value itself (a date, a number, a status in its order), not
// its text.
inline constexpr int sortRole = Qt::UserRole;
// The sensors list's statuses that hold, one bit for each SensorStatus.
inline constexpr int statusesRole = Qt::UserRole + 1;

// Every sensor with its due date and status. The status is told in words and in colour, dark
// text on a light ground whatever the palette, so it reads on light and dark desktops alike.
class SensorsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Serial,
        Model,
        Firmware,
        LastRun,
        Result,
        LastAdjustment,
        LastPassed,
        NextDue,
        Status,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setSensors(
        const QList<SensorSummary> &sensors, const QDate &today, const RegisterSettings &settings);
    const SensorSummary &sensorAt(int row) const { return m_sensors.at(row).summary; }
    QMap<SensorStatus, int> statusCounts() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        SensorSummary summary;
        DueState due;
    };
    QList<Row> m_sensors;
};

// The sensors list as its filters leave it: a serial as typed, and one status.
class SensorsFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    // None: every status.
    void setStatus(std::optional<SensorStatus> status);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    std::optional<SensorStatus> m_status;
};

// One sensor's runs, newest first.
class RunsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Date,
        Bench,
        Technician,
        Fixture,
        AsFound,
        Adjustment,
        AsLeft,
        UnderRule,
        Certificate,
        Report,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    // The lab's records give each run's uncertainty and the verdict under the lab's rule.
    void setRuns(const QList<RunSummary> &runs, const LabRecords &lab = {});
    const RunSummary &runAt(int row) const { return m_runs.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Uncertainties
    {
        std::optional<ValidationUncertainty> asFound, asLeft;
        DecisionRule rule = DecisionRule::Simple;
    };

    QList<RunSummary> m_runs;
    QList<Uncertainties> m_uncertainties;
};

class FixturesModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Serial, Model, CalibrationDate, Runs, LastRun, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setFixtures(const QList<FixtureSummary> &fixtures, const QDate &today,
        const RegisterSettings &settings);
    const FixtureSummary &fixtureAt(int row) const { return m_fixtures.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<FixtureSummary> m_fixtures;
    QDate m_today;
    RegisterSettings m_settings;
};

// The runs made with one fixture, each flagged where the fixture was out of its interval.
class FixtureRunsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        Date,
        Sensor,
        FixtureCalibration,
        ReferenceCertificate,
        AsFound,
        Adjustment,
        AsLeft,
        Certificate,
        Customer,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setRuns(const QList<RecalledRun> &runs);
    const QList<RecalledRun> &runs() const { return m_runs; }
    // The sensors among these runs, each once, in order.
    QList<QByteArray> sensors() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<RecalledRun> m_runs;
};

// The colours the register shows a status or a warning in.
QColor statusColour(SensorStatus status);
QColor warningColour();
// "MC 0.969556 → 1.745200 (+80.0 %), BC …", or a dash where nothing was adjusted.
QString adjustmentText(const RunSummary &run);
QString fixtureText(const ReferenceStandard &fixture);
// "… (out of its calibration interval)": a reference past its interval, flagged in every view.
QString lapsedText(const QString &what);

#endif
