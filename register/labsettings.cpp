#include "labsettings.h"

#include <QCborArray>
#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cmath>

namespace {
constexpr int longestIntervalMonths = 120;

// Texts outside any window, in the translations under "Settings".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Settings)
};

namespace Field {
inline constexpr char name[] = "name";
inline constexpr char value[] = "value";
inline constexpr char by[] = "by";
inline constexpr char run[] = "run";
}

QString months(int &into, const QString &value)
{
    bool ok = false;
    const int number = value.trimmed().toInt(&ok);
    if (!ok || number < 1 || number > longestIntervalMonths)
        return Texts::tr("an interval is a whole number of months from 1 to %1, not \"%2\"")
            .arg(longestIntervalMonths)
            .arg(value);
    into = number;
    return {};
}

QString yesOrNo(bool &into, const QString &value)
{
    const QString word = value.trimmed().toLower();
    if (word != QLatin1String("yes") && word != QLatin1String("no"))
        return Texts::tr("the value is yes or no, not \"%1\"").arg(value);
    into = word == QLatin1String("yes");
    return {};
}

// Lines written as one value: each line break, or the two characters \n, begins a line.
QStringList lines(const QString &value)
{
    QString text = value;
    text.replace(QLatin1String("\\n"), QLatin1String("\n"));
    QStringList result;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            result.append(line.trimmed());
    }
    return result;
}

// A positive number, or nothing where the value is empty.
QString positive(std::optional<double> &into, const QString &value)
{
    if (value.trimmed().isEmpty()) {
        into.reset();
        return {};
    }
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || number <= 0)
        return Texts::tr("the value is a positive number, not \"%1\"").arg(value);
    into = number;
    return {};
}

// A date as yyyy-MM-dd, or nothing where the value is empty.
QString date(std::optional<QDate> &into, const QString &value)
{
    if (value.trimmed().isEmpty()) {
        into.reset();
        return {};
    }
    const QDate day = QDate::fromString(value.trimmed(), Qt::ISODate);
    if (!day.isValid())
        return Texts::tr("a date is written yyyy-MM-dd, not \"%1\"").arg(value);
    into = day;
    return {};
}

// "S/N": a standard deviation in pS/m over N readings, or nothing where the value is empty.
QString repeatability(std::optional<Repeatability> &into, const QString &value)
{
    if (value.trimmed().isEmpty()) {
        into.reset();
        return {};
    }
    const QStringList parts = value.trimmed().split(QLatin1Char('/'));
    bool deviationOk = false, readingsOk = false;
    const double deviation = parts.value(0).toDouble(&deviationOk);
    const int readings = parts.value(1).toInt(&readingsOk);
    if (parts.size() != 2 || !deviationOk || !readingsOk || !std::isfinite(deviation)
        || deviation <= 0 || readings < 2)
        return Texts::tr("repeatability is written S/N, a standard deviation in pS/m over N "
                         "readings (at least 2), such as 0.3/10, not \"%1\"")
            .arg(value);
    into = Repeatability { deviation, readings };
    return {};
}

template <size_t Step> QString stepRepeatability(LabSettings &settings, const QString &value)
{
    return repeatability(settings.repeatability[Step], value);
}

template <size_t Step> QString stepUncertainty(FixtureReference &fixture, const QString &value)
{
    return positive(fixture.expandedUncertainty[Step], value);
}

const QStringList decisionRules { QStringLiteral("simple"), QStringLiteral("guarded"),
    QStringLiteral("non-binary") };
}

double FurtherContribution::standardUncertainty() const
{
    switch (distribution) {
    case Distribution::Normal:
        return value;
    case Distribution::Rectangular:
        return value / std::sqrt(3.0);
    case Distribution::Triangular:
        return value / std::sqrt(6.0);
    }
    return value;
}

std::optional<QString> applyOwnName(
    LabSettings &settings, const QString &name, const QString &value)
{
    static const QString prefix = QStringLiteral("contribution.");
    if (!name.startsWith(prefix) || name.size() == prefix.size())
        return std::nullopt;
    const QString own = name.mid(prefix.size());
    const QStringList parts = value.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        settings.furtherContributions.remove(own);
        return QString();
    }
    bool valueOk = false, degreesOk = true;
    FurtherContribution contribution;
    contribution.value = parts.value(0).toDouble(&valueOk);
    const QString shape = parts.value(1, QStringLiteral("normal"));
    if (parts.size() > 2)
        contribution.degreesOfFreedom = parts.value(2).toDouble(&degreesOk);
    const std::optional<Distribution> distribution = shape == QLatin1String("normal")
        ? std::optional(Distribution::Normal)
        : shape == QLatin1String("rectangular") ? std::optional(Distribution::Rectangular)
        : shape == QLatin1String("triangular")  ? std::optional(Distribution::Triangular)
                                                : std::nullopt;
    if (!valueOk || !(contribution.value > 0) || !distribution || !degreesOk || parts.size() > 3
        || (contribution.degreesOfFreedom && !(*contribution.degreesOfFreedom >= 1)))
        return Texts::tr("a further contribution is written VALUE DISTRIBUTION [DEGREES]: a "
                         "standard uncertainty in pS/m (normal) or a half-width (rectangular, "
                         "triangular), and its degrees of freedom where they are finite, such as "
                         "\"0.2 rectangular\", not \"%1\"")
            .arg(value);
    contribution.distribution = *distribution;
    settings.furtherContributions.insert(own, contribution);
    return QString();
}

bool LabSettings::laboratorySet() const
{
    return !laboratoryName.trimmed().isEmpty() && !laboratoryAddress.isEmpty();
}

QString unknownSettingText(const QString &name)
{
    return Texts::tr("There is no setting named \"%1\".").arg(name);
}

const QList<NamedSetting<LabSettings>> &labSettingNames()
{
    static const QList<NamedSetting<LabSettings>> names {
        { "laboratory-name",
            QT_TRANSLATE_NOOP("Settings", "the laboratory's name, as certificates give it"),
            [](LabSettings &s, const QString &v) {
                s.laboratoryName = v.trimmed();
                return QString();
            } },
        { "laboratory-address",
            QT_TRANSLATE_NOOP("Settings", "the laboratory's address, its lines separated by \\n"),
            [](LabSettings &s, const QString &v) {
                s.laboratoryAddress = lines(v);
                return QString();
            } },
        { "place",
            QT_TRANSLATE_NOOP("Settings",
                "where calibrations are made, where it is not the laboratory's address"),
            [](LabSettings &s, const QString &v) {
                s.place = v.trimmed();
                return QString();
            } },
        { "procedure", QT_TRANSLATE_NOOP("Settings", "the name of the lab's calibration procedure"),
            [](LabSettings &s, const QString &v) {
                s.procedure = v.trimmed();
                return QString();
            } },
        { "sensor-interval-months",
            QT_TRANSLATE_NOOP("Settings", "how often a sensor is due, in months (12)"),
            [](LabSettings &s, const QString &v) { return months(s.sensorIntervalMonths, v); } },
        { "fixture-interval-months",
            QT_TRANSLATE_NOOP(
                "Settings", "how long a fixture's own calibration holds, in months (12)"),
            [](LabSettings &s, const QString &v) { return months(s.fixtureIntervalMonths, v); } },
        { "print-next-due",
            QT_TRANSLATE_NOOP("Settings",
                "yes: certificates give the next due date, as agreed with the customer (no)"),
            [](LabSettings &s, const QString &v) { return yesOrNo(s.printNextDue, v); } },
        { "self-approval",
            QT_TRANSLATE_NOOP(
                "Settings", "yes: the run's technician may approve its certificate (no)"),
            [](LabSettings &s, const QString &v) { return yesOrNo(s.selfApproval, v); } },
        { "ambient-statement",
            QT_TRANSLATE_NOOP(
                "Settings", "why ambient conditions do not apply, printed where none were entered"),
            [](LabSettings &s, const QString &v) {
                s.ambientStatement = v.trimmed();
                return QString();
            } },
        { "decision-rule", QT_TRANSLATE_NOOP("Settings", "simple, guarded or non-binary (simple)"),
            [](LabSettings &s, const QString &v) {
                if (!decisionRules.contains(v.trimmed()))
                    return Texts::tr(
                        "the decision rule is simple, guarded or non-binary, not \"%1\"")
                        .arg(v);
                s.decisionRule = v.trimmed();
                return QString();
            } },
        { "repeatability1",
            QT_TRANSLATE_NOOP("Settings",
                "step 1's repeatability, S/N: a standard deviation in pS/m over N readings"),
            stepRepeatability<0> },
        { "repeatability2", QT_TRANSLATE_NOOP("Settings", "step 2's repeatability, S/N"),
            stepRepeatability<1> },
        { "repeatability3", QT_TRANSLATE_NOOP("Settings", "step 3's repeatability, S/N"),
            stepRepeatability<2> },
        { "repeatability4", QT_TRANSLATE_NOOP("Settings", "step 4's repeatability, S/N"),
            stepRepeatability<3> },
        { "repeatability5", QT_TRANSLATE_NOOP("Settings", "step 5's repeatability, S/N"),
            stepRepeatability<4> },
    };
    return names;
}

const QList<NamedSetting<FixtureReference>> &fixtureSettingNames()
{
    static const QList<NamedSetting<FixtureReference>> names {
        { "certificate-number",
            QT_TRANSLATE_NOOP(
                "Settings", "the number of the fixture's own calibration certificate"),
            [](FixtureReference &f, const QString &v) {
                f.certificateNumber = v.trimmed();
                return QString();
            } },
        { "laboratory", QT_TRANSLATE_NOOP("Settings", "the laboratory that calibrated the fixture"),
            [](FixtureReference &f, const QString &v) {
                f.laboratory = v.trimmed();
                return QString();
            } },
        { "calibrated",
            QT_TRANSLATE_NOOP("Settings", "the date of the fixture's calibration, yyyy-MM-dd"),
            [](FixtureReference &f, const QString &v) { return date(f.calibrated, v); } },
        { "due",
            QT_TRANSLATE_NOOP("Settings", "the date the fixture's calibration is due, yyyy-MM-dd"),
            [](FixtureReference &f, const QString &v) { return date(f.due, v); } },
        { "u1",
            QT_TRANSLATE_NOOP(
                "Settings", "the expanded uncertainty of reference step 1 (2.8 pS/m), in pS/m"),
            stepUncertainty<0> },
        { "u2", QT_TRANSLATE_NOOP("Settings", "the same of step 2 (120 pS/m)"),
            stepUncertainty<1> },
        { "u3", QT_TRANSLATE_NOOP("Settings", "the same of step 3 (600 pS/m)"),
            stepUncertainty<2> },
        { "u4", QT_TRANSLATE_NOOP("Settings", "the same of step 4 (1000 pS/m)"),
            stepUncertainty<3> },
        { "u5", QT_TRANSLATE_NOOP("Settings", "the same of step 5 (1700 pS/m)"),
            stepUncertainty<4> },
        { "u-high",
            QT_TRANSLATE_NOOP(
                "Settings", "the same of the calibration's high reference (1748 pS/m)"),
            [](FixtureReference &f, const QString &v) {
                return positive(f.highReferenceUncertainty, v);
            } },
        { "k", QT_TRANSLATE_NOOP("Settings", "the coverage factor of those uncertainties"),
            [](FixtureReference &f, const QString &v) { return positive(f.coverageFactor, v); } },
    };
    return names;
}

const QList<NamedSetting<Customer>> &customerSettingNames()
{
    static const QList<NamedSetting<Customer>> names {
        { "name", QT_TRANSLATE_NOOP("Settings", "the customer's name"),
            [](Customer &c, const QString &v) {
                c.name = v.trimmed();
                return QString();
            } },
        { "address",
            QT_TRANSLATE_NOOP("Settings", "the customer's address, its lines separated by \\n"),
            [](Customer &c, const QString &v) {
                c.address = lines(v);
                return QString();
            } },
    };
    return names;
}

RecordEvent settingEvent(const char *kind, const QByteArray &subject, const QString &name,
    const QString &value, const QString &account)
{
    RecordEvent event = newEvent(kind, timeOrderedUuid());
    if (qstrcmp(kind, EventKind::customer) == 0)
        event.sensorSerial = subject;
    else if (qstrcmp(kind, EventKind::fixtureSetting) == 0)
        event.fixtureSerial = subject;
    event.payload = { { QLatin1String(Field::name), name }, { QLatin1String(Field::value), value },
        { QLatin1String(Field::by), account } };
    return event;
}

QString labRecordsQuery()
{
    // The kinds stand in the statement as the index names them, so SQLite reads the index.
    return QStringLiteral("SELECT seq, kind, sensor_serial, fixture_serial, utc_ms, utc_offset_s,"
                          " payload, hash FROM events WHERE kind IN ('setting', 'fixture setting',"
                          " 'customer', 'certificate') ORDER BY seq");
}

bool LabRecords::read(QSqlDatabase &db, QString *error)
{
    m_changes.clear();
    m_certificates.clear();
    QSqlQuery query(db);
    if (!query.exec(labRecordsQuery())) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        const qint64 seq = query.value(0).toLongLong();
        const QString kind = query.value(1).toString();
        const QCborMap payload = decodedPayload(query.value(6).toByteArray());
        if (kind == QLatin1String(EventKind::certificate)) {
            m_certificates.append({ seq, query.value(7).toByteArray(), payload });
            continue;
        }
        const QByteArray subject = kind == QLatin1String(EventKind::customer)
            ? query.value(2).toByteArray()
            : query.value(3).toByteArray();
        m_changes.append({ seq, kind, subject, payload.value(QLatin1String(Field::name)).toString(),
            payload.value(QLatin1String(Field::value)).toString(),
            QDateTime::fromMSecsSinceEpoch(
                query.value(4).toLongLong(), Qt::OffsetFromUTC, query.value(5).toInt()),
            payload.value(QLatin1String(Field::by)).toString() });
    }
    return true;
}

namespace {
// The changes of one kind and subject up to a place, taken in order; a value the names no
// longer take is passed over.
template <typename Subject>
Subject folded(const QList<SettingChange> &changes, const char *kind, const QByteArray &subject,
    qint64 before, const QList<NamedSetting<Subject>> &names)
{
    Subject folded;
    for (const SettingChange &change : changes) {
        if (change.seq >= before)
            break;
        if (change.kind == QLatin1String(kind) && change.subject == subject)
            applySetting(names, folded, change.name, change.value);
    }
    return folded;
}
}

LabSettings LabRecords::settingsAt(qint64 seq) const
{
    return folded(m_changes, EventKind::setting, {}, seq, labSettingNames());
}

FixtureReference LabRecords::fixtureAt(const QByteArray &serial, qint64 seq) const
{
    return folded(m_changes, EventKind::fixtureSetting, serial, seq, fixtureSettingNames());
}

Customer LabRecords::customerOf(const QByteArray &serial, qint64 seq) const
{
    return folded(m_changes, EventKind::customer, serial, seq, customerSettingNames());
}

FixtureReference LabRecords::referenceFor(
    const QByteArray &serial, const QDate &runDay, qint64 runSeq) const
{
    const FixtureReference now = fixtureAt(serial);
    return now.calibrated && *now.calibrated > runDay ? fixtureAt(serial, runSeq) : now;
}

QUuid LabRecords::Issued::run() const
{
    return QUuid::fromRfc4122(content.value(QLatin1String(Field::run)).toByteArray());
}

QList<LabRecords::Issued> LabRecords::certificatesOf(const QUuid &run) const
{
    QList<Issued> issued;
    for (const Issued &certificate : m_certificates) {
        if (certificate.run() == run)
            issued.append(certificate);
    }
    return issued;
}
