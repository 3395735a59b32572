#ifndef LABSETTINGS_H
#define LABSETTINGS_H

#include "recordevent.h"
#include "uncertainty.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QStringList>
#include <array>
#include <limits>
#include <optional>

// What a lab decides for its records, kept in the records themselves: each change is an event
// naming who made it, so every account and every bench reading these records sees the same, and
// a past run is judged with the values in force when it was made.

// A repeatability study's result for one step: the standard deviation of single readings, in
// pS/m, and how many readings it was taken from.
struct Repeatability
{
    double deviation = 0;
    int readings = 0;
};

// A further contribution to every step's uncertainty that the lab knows of, by its own name: a
// standard uncertainty (normal) or a half-width (rectangular, triangular), in pS/m.
struct FurtherContribution
{
    double value = 0;
    Distribution distribution = Distribution::Normal;
    std::optional<double> degreesOfFreedom;

    double standardUncertainty() const;
    bool operator==(const FurtherContribution &other) const
    {
        return value == other.value && distribution == other.distribution
            && degreesOfFreedom == other.degreesOfFreedom;
    }
};

struct LabSettings
{
    QString laboratoryName;
    QStringList laboratoryAddress;
    QString place; // of calibration; the laboratory's own address when empty
    QString procedure;
    int sensorIntervalMonths = 12;
    int fixtureIntervalMonths = 12;
    bool printNextDue = false; // only as agreed with the customer
    bool selfApproval = false;
    QString ambientStatement; // why ambient conditions do not apply, where the lab says so
    QString decisionRule = QStringLiteral("simple");
    std::array<std::optional<Repeatability>, 5> repeatability;
    QMap<QString, FurtherContribution> furtherContributions;

    // Without its name and address the laboratory is not one a certificate can be issued by.
    bool laboratorySet() const;
};

// A fixture's own calibration, as the lab records it from the fixture's certificate: the
// reference standard behind every reading made with it.
struct FixtureReference
{
    QString certificateNumber;
    QString laboratory;
    std::optional<QDate> calibrated;
    std::optional<QDate> due;
    // The expanded uncertainty of each reference step's value, in pS/m, and its coverage factor.
    std::array<std::optional<double>, 5> expandedUncertainty;
    std::optional<double> coverageFactor;
    // The same for the calibration's high reference (1748 pS/m); its low one is step 1's.
    std::optional<double> highReferenceUncertainty;

    bool recorded() const { return !certificateNumber.isEmpty() || calibrated || due; }
};

struct Customer
{
    QString name;
    QStringList address;
};

// A name a setting is known by on the command line and in the records, what it means, and how
// a value of it is taken: the reason in words when it cannot be, empty when it was.
template <typename Subject> struct NamedSetting
{
    const char *name;
    const char *meaning;
    QString (*apply)(Subject &subject, const QString &value);
};
const QList<NamedSetting<LabSettings>> &labSettingNames();
const QList<NamedSetting<FixtureReference>> &fixtureSettingNames();
const QList<NamedSetting<Customer>> &customerSettingNames();

QString unknownSettingText(const QString &name);

// Names a lab makes up itself: contribution.NAME=VALUE DISTRIBUTION [DEGREES], a further
// contribution to every step's uncertainty. None where the name is not one of them.
std::optional<QString> applyOwnName(
    LabSettings &settings, const QString &name, const QString &value);
template <typename Subject>
std::optional<QString> applyOwnName(Subject &, const QString &, const QString &)
{
    return std::nullopt;
}

// Applies one named value with the names given; the reason in words when the name is unknown or
// the value not one it can take.
template <typename Subject>
QString applySetting(const QList<NamedSetting<Subject>> &names, Subject &subject,
    const QString &name, const QString &value)
{
    for (const NamedSetting<Subject> &named : names) {
        if (name == QLatin1String(named.name))
            return named.apply(subject, value);
    }
    return applyOwnName(subject, name, value).value_or(unknownSettingText(name));
}

// One change, as an event: the name, the value given, who gave it.
struct SettingChange
{
    qint64 seq = 0;
    QString kind; // setting, fixture setting, customer
    QByteArray subject; // the fixture's or the sensor's serial; empty for the lab's own
    QString name;
    QString value;
    QDateTime at;
    QString by; // the account
};
RecordEvent settingEvent(const char *kind, const QByteArray &subject, const QString &name,
    const QString &value, const QString &account);

// Every change of the records' settings, fixtures' references and customers, and every
// certificate issued, read once in their order.
class LabRecords
{
public:
    bool read(QSqlDatabase &db, QString *error);

    // As in force just before the event at the place (the run's first); the latest without one.
    LabSettings settingsAt(qint64 seq = std::numeric_limits<qint64>::max()) const;
    FixtureReference fixtureAt(
        const QByteArray &serial, qint64 seq = std::numeric_limits<qint64>::max()) const;
    Customer customerOf(
        const QByteArray &serial, qint64 seq = std::numeric_limits<qint64>::max()) const;
    // A fixture's calibration behind a run made on the day: as recorded now, unless the fixture
    // was calibrated again since; then the one in force at the run (its first event's place).
    FixtureReference referenceFor(
        const QByteArray &serial, const QDate &runDay, qint64 runSeq) const;

    const QList<SettingChange> &changes() const { return m_changes; }
    // The certificate events, in their order, with their place.
    struct Issued
    {
        qint64 seq = 0;
        QByteArray hash;
        QCborMap content;

        QUuid run() const; // the run it certifies
    };
    const QList<Issued> &certificates() const { return m_certificates; }
    // A run's certificates, oldest revision first.
    QList<Issued> certificatesOf(const QUuid &run) const;

private:
    QList<SettingChange> m_changes;
    QList<Issued> m_certificates;
};

// The query LabRecords asks: every event of the kinds above, from the index kept for them.
QString labRecordsQuery();

#endif
