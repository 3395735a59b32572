#include "certificate.h"

#include "runevents.h"
#include "rununcertainty.h"
#include "stepbounds.h"

#include <QBuffer>
#include <QCborArray>
#include <QCoreApplication>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

namespace {
constexpr int pdfResolution = 300;
constexpr double marginMm = 18;
constexpr double referenceSteps[] = { 2.8, 120, 600, 1000, 1700 };
const QColor draftColour(0xb0, 0x00, 0x00);

// Texts outside any window, in the translations under "Certificate".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(Certificate)
};

// The names a certificate's event keeps its contents under.
namespace Frozen {
inline constexpr char run[] = "run";
inline constexpr char serial[] = "serial";
inline constexpr char number[] = "number";
inline constexpr char revision[] = "revision";
inline constexpr char replaces[] = "replaces";
inline constexpr char reason[] = "reason";
inline constexpr char changes[] = "changes";
inline constexpr char issued[] = "issued";
inline constexpr char issuer[] = "issuer";
inline constexpr char approver[] = "approver";
inline constexpr char approverName[] = "approver name";
inline constexpr char approved[] = "approved";
inline constexpr char meaning[] = "meaning";
inline constexpr char selfApproved[] = "self-approved";
inline constexpr char laboratory[] = "laboratory";
inline constexpr char address[] = "address";
inline constexpr char place[] = "place";
inline constexpr char procedure[] = "procedure";
inline constexpr char customer[] = "customer";
inline constexpr char customerAddress[] = "customer address";
inline constexpr char condition[] = "condition";
inline constexpr char temperature[] = "temperature";
inline constexpr char humidity[] = "humidity";
inline constexpr char ambientStatement[] = "ambient statement";
inline constexpr char sensorInterval[] = "sensor interval months";
inline constexpr char fixtureInterval[] = "fixture interval months";
inline constexpr char nextDue[] = "next due";
inline constexpr char decisionRule[] = "decision rule";
inline constexpr char referenceCertificate[] = "reference certificate";
inline constexpr char referenceLaboratory[] = "reference laboratory";
inline constexpr char referenceCalibrated[] = "reference calibrated";
inline constexpr char referenceDue[] = "reference due";
inline constexpr char referenceUncertainty[] = "reference uncertainty";
inline constexpr char referenceK[] = "reference k";
inline constexpr char referenceHigh[] = "reference high uncertainty";
inline constexpr char referenceLapses[] = "reference lapses";
inline constexpr char concession[] = "concession";
inline constexpr char program[] = "program";
inline constexpr char anchorSeq[] = "anchor seq";
inline constexpr char anchorHash[] = "anchor hash";
inline constexpr char pdfSha256[] = "pdf sha256";
inline constexpr char repeatability[] = "repeatability";
inline constexpr char further[] = "further contributions";
inline constexpr char budgets[] = "budgets";
}

const QString approvalMeaning = QStringLiteral("Approved for issue");
const QString endMarker = QStringLiteral("End of certificate");

QPageSize paperOfLocale()
{
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
        ? QPageSize(QPageSize::Letter)
        : QPageSize(QPageSize::A4);
}

QString isoDate(const QDate &date)
{
    return date.toString(Qt::ISODate);
}

QString isoMinute(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString ratioText(const std::optional<double> &ratio)
{
    if (!ratio)
        return {};
    const QString text = Texts::tr("ratio %1:1").arg(*ratio, 0, 'f', *ratio < 10 ? 1 : 0);
    return *ratio < lowestComfortableRatio ? text + Texts::tr(" (below 4:1)") : text;
}

// A step's two lines: its reference and reading with U and k; then, indented, the bounds and
// the verdict against them, the ratio, and the verdict and risk under the lab's rule. Two lines
// of their own, so that no line breaks inside a value or a unit.
QStringList stepLines(
    int step, const std::optional<StepResult> &result, const UncertaintyInputs &inputs)
{
    if (!result)
        return { Texts::tr("Step %1: no reading").arg(step) };
    const StepUncertainty uncertainty = stepUncertainty(step, *result, inputs);
    const QString reading = uncertainty.budget
        ? Texts::tr("%1 pS/m, U = %2 pS/m, k = %3")
              .arg(result->text.trimmed(), uncertaintyText(uncertainty.budget->expanded),
                  coverageFactorText(uncertainty.budget->coverageFactor))
        : Texts::tr("%1 pS/m (U not stated)").arg(result->text.trimmed());
    const QString head = Texts::tr("Step %1  reference %2 pS/m   reading %3")
                             .arg(step)
                             .arg(stepReferenceValues[step - 1])
                             .arg(reading);
    QString verdicts = QStringLiteral("        ")
        + Texts::tr("bounds %1 to %2 pS/m   %3")
              .arg(result->lower)
              .arg(result->upper)
              .arg(result->passed ? Texts::tr("PASS") : Texts::tr("FAIL"));
    if (uncertainty.ratio)
        verdicts += QStringLiteral("   ") + ratioText(uncertainty.ratio);
    verdicts += QStringLiteral("   ")
        + Texts::tr("under the rule: %1").arg(verdictText(uncertainty.decision.verdict));
    if (uncertainty.budget)
        verdicts += Texts::tr(", risk %1").arg(riskText(uncertainty.decision.risk));
    return { head, verdicts };
}

QStringList validationLines(const ValidationResult &validation, const UncertaintyInputs &inputs)
{
    QStringList lines;
    for (int step = 1; step <= validationStepCount; ++step)
        lines += stepLines(step, validation.steps[size_t(step - 1)], inputs);
    return lines;
}

// The validations a certificate prints, with what it calls them.
QList<std::pair<QString, ValidationResult>> printedValidations(const RunSummary &run)
{
    QList<std::pair<QString, ValidationResult>> printed;
    if (run.asFound)
        printed.append({ Texts::tr("as found"), *run.asFound });
    if (run.asLeft && !run.foundAsLeft())
        printed.append({ Texts::tr("as left"), *run.asLeft });
    for (const ValidationResult &other : run.otherValidations)
        printed.append({ Texts::tr("other validation of %1").arg(isoMinute(other.at)), other });
    return printed;
}

QString ruleDescription(DecisionRule rule)
{
    switch (rule) {
    case DecisionRule::Simple:
        return Texts::tr("Simple acceptance (ILAC-G8:09/2019 4.2.1, guard band w = 0): a step is "
                         "accepted when its reading lies within the bounds. A reading close to a "
                         "bound may be accepted although the sensor is out of tolerance: each "
                         "step's specific risk, the probability that the true value lies outside "
                         "the bounds, is given with it.");
    case DecisionRule::Guarded:
        return Texts::tr("Guarded acceptance (ILAC-G8:09/2019 4.2.2, guard band w = U): a step "
                         "is accepted only when its reading lies within the bounds narrowed by "
                         "its expanded uncertainty U on each side.");
    case DecisionRule::NonBinary:
        return Texts::tr("Non-binary statement (ILAC-G8:09/2019 4.2.3): Pass within the bounds "
                         "narrowed by U; Conditional Pass within the bounds but nearer a bound "
                         "than U; Conditional Fail outside the bounds by less than U; Fail "
                         "outside them by more.");
    }
    return {};
}

// Each step's whole budget: the contributions, their combination, the degrees of freedom and
// the coverage factor (GUM 7.2.7).
QStringList budgetLines(int step, const StepResult &result, const UncertaintyInputs &inputs)
{
    const StepUncertainty uncertainty = stepUncertainty(step, result, inputs);
    if (!uncertainty.budget)
        return {
            Texts::tr("Step %1: U cannot be stated: %2.").arg(step).arg(uncertainty.notStated)
        };
    const Budget &budget = *uncertainty.budget;
    QStringList lines {
        Texts::tr("Step %1, reading %2 pS/m").arg(step).arg(result.text.trimmed())
    };
    for (const Contribution &contribution : budget.contributions)
        lines.append(
            Texts::tr("   %1: %2 (%3), u = %4 pS/m, degrees of freedom %5")
                .arg(contribution.name, distributionName(contribution.distribution),
                    contribution.basis)
                .arg(contribution.standardUncertainty, 0, 'g', 3)
                .arg(contribution.degreesOfFreedom ? QString::number(*contribution.degreesOfFreedom)
                                                   : QStringLiteral("∞")));
    lines.append(
        Texts::tr("   combined u = %1 pS/m, effective degrees of freedom %2, k = %3, "
                  "U = %4 pS/m")
            .arg(budget.combined, 0, 'g', 3)
            .arg(budget.effectiveDegreesOfFreedom
                    ? QString::number(*budget.effectiveDegreesOfFreedom, 'f', 1)
                    : QStringLiteral("∞"))
            .arg(coverageFactorText(budget.coverageFactor), uncertaintyText(budget.expanded)));
    return lines;
}

QString verdictWord(const ValidationResult &validation)
{
    return validation.passed ? Texts::tr("passed") : Texts::tr("failed");
}

// Out of its interval on the day of the run: by the date the fixture reports, by the lab's own
// record of its calibration, or by that record's due date.
QStringList lapsesOf(const RunSummary &run, const FixtureReference &reference, int intervalMonths)
{
    QStringList lapses;
    const QDate runDay = run.started.date();
    if (run.fixture.calibrationDate
        && outOfInterval(*run.fixture.calibrationDate, runDay, intervalMonths))
        lapses.append(Texts::tr("the calibration date it reports, %1, was more than %2 months "
                                "before the run")
                          .arg(isoDate(*run.fixture.calibrationDate))
                          .arg(intervalMonths));
    if (reference.calibrated && outOfInterval(*reference.calibrated, runDay, intervalMonths))
        lapses.append(Texts::tr("its recorded calibration of %1 was more than %2 months before "
                                "the run")
                          .arg(isoDate(*reference.calibrated))
                          .arg(intervalMonths));
    if (reference.due && *reference.due < runDay)
        lapses.append(Texts::tr("its calibration was due on %1").arg(isoDate(*reference.due)));
    return lapses;
}

QCborArray textArray(const QStringList &texts)
{
    QCborArray array;
    for (const QString &text : texts)
        array.append(text);
    return array;
}

QStringList textsOf(const QCborValue &value)
{
    QStringList texts;
    for (const QCborValue &text : value.toArray())
        texts.append(text.toString());
    return texts;
}

QString dateText(const std::optional<QDate> &date)
{
    return date ? isoDate(*date) : QString();
}

std::optional<QDate> dateOf(const QCborValue &value)
{
    const QDate date = QDate::fromString(value.toString(), Qt::ISODate);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

QCborValue numberOrNull(const std::optional<double> &number)
{
    return number ? QCborValue(*number) : QCborValue(QCborValue::Null);
}

std::optional<double> numberOf(const QCborValue &value)
{
    return value.isDouble() || value.isInteger() ? std::optional<double>(value.toDouble())
                                                 : std::nullopt;
}

// The values an amendment compares, with the words it names them by.
const QList<std::pair<const char *, const char *>> &comparedValues()
{
    static const QList<std::pair<const char *, const char *>> values {
        { Frozen::laboratory, QT_TRANSLATE_NOOP("Certificate", "the laboratory's name") },
        { Frozen::address, QT_TRANSLATE_NOOP("Certificate", "the laboratory's address") },
        { Frozen::place, QT_TRANSLATE_NOOP("Certificate", "the place of calibration") },
        { Frozen::procedure, QT_TRANSLATE_NOOP("Certificate", "the method") },
        { Frozen::customer, QT_TRANSLATE_NOOP("Certificate", "the customer") },
        { Frozen::customerAddress, QT_TRANSLATE_NOOP("Certificate", "the customer's address") },
        { Frozen::condition, QT_TRANSLATE_NOOP("Certificate", "the condition as received") },
        { Frozen::temperature, QT_TRANSLATE_NOOP("Certificate", "the temperature") },
        { Frozen::humidity, QT_TRANSLATE_NOOP("Certificate", "the humidity") },
        { Frozen::ambientStatement,
            QT_TRANSLATE_NOOP("Certificate", "the statement on ambient conditions") },
        { Frozen::nextDue, QT_TRANSLATE_NOOP("Certificate", "the next due date") },
        { Frozen::decisionRule, QT_TRANSLATE_NOOP("Certificate", "the decision rule") },
        { Frozen::referenceCertificate,
            QT_TRANSLATE_NOOP("Certificate", "the reference standard's certificate") },
        { Frozen::referenceLaboratory,
            QT_TRANSLATE_NOOP("Certificate", "the reference standard's calibrating laboratory") },
        { Frozen::referenceCalibrated,
            QT_TRANSLATE_NOOP("Certificate", "the reference standard's calibration date") },
        { Frozen::referenceDue,
            QT_TRANSLATE_NOOP("Certificate", "the reference standard's due date") },
        { Frozen::referenceUncertainty,
            QT_TRANSLATE_NOOP("Certificate", "the reference standard's uncertainties") },
        { Frozen::referenceK,
            QT_TRANSLATE_NOOP("Certificate", "the reference standard's coverage factor") },
        { Frozen::concession, QT_TRANSLATE_NOOP("Certificate", "the concession") },
        { Frozen::repeatability, QT_TRANSLATE_NOOP("Certificate", "the repeatability") },
        { Frozen::further,
            QT_TRANSLATE_NOOP("Certificate", "the further uncertainty contributions") },
    };
    return values;
}
}

QString Certificate::number() const
{
    return revision == 0 ? baseNumber : QStringLiteral("%1-R%2").arg(baseNumber).arg(revision);
}

QString certificateNumber(const RunSummary &run)
{
    // Bytes 10 to 15 of a version 7 identifier are random; the first six are its time.
    const QByteArray identifier = run.run.toRfc4122();
    return QStringLiteral("CVU-%1-%2")
        .arg(run.started.date().toString(QStringLiteral("yyyyMMdd")),
            QString::fromLatin1(identifier.mid(10, 6).toHex().toUpper()));
}

std::optional<Certificate> draftCertificate(const RunSummary &run, const LabRecords &lab,
    const IssueDetails &details, const QString &issuer, QString *why)
{
    *why = certificateRefusal(run);
    if (!why->isEmpty())
        return std::nullopt;
    Certificate certificate;
    certificate.run = run;
    certificate.baseNumber = certificateNumber(run);
    certificate.issued = QDateTime::currentDateTime();
    certificate.issuer = issuer;
    certificate.lab = lab.settingsAt();
    const QByteArray sensor = run.sensorSerial.toUtf8();
    const QByteArray fixture = run.fixture.serial.toUtf8();
    certificate.customer = lab.customerOf(sensor);
    certificate.reference = lab.referenceFor(fixture, run.started.date(), run.firstEventSeq);
    certificate.referenceLapses = lapsesOf(
        run, certificate.reference, lab.settingsAt(run.firstEventSeq).fixtureIntervalMonths);
    certificate.condition = details.condition.trimmed();
    certificate.temperature = details.temperature.trimmed();
    certificate.humidity = details.humidity.trimmed();
    certificate.concession = details.concession.trimmed();
    if (certificate.lab.printNextDue)
        certificate.nextDue = run.started.date().addMonths(certificate.lab.sensorIntervalMonths);
    certificate.program = QCoreApplication::applicationName() + QLatin1Char(' ')
        + QCoreApplication::applicationVersion();
    certificate.anchorSeq = run.lastEventSeq;
    certificate.anchorHash = run.lastEventHash;
    return certificate;
}

QString approvalRefusal(const Certificate &draft, const QString &approver)
{
    if (!draft.lab.laboratorySet())
        return Texts::tr("The laboratory's name and address are not set: a certificate names the "
                         "laboratory that issues it. Set them with cvu-records set "
                         "laboratory-name=... laboratory-address=..., or in Settings.");
    if (approver == draft.run.account && !draft.lab.selfApproval)
        return Texts::tr("%1 ran this calibration and may not also approve its certificate: "
                         "another account approves it, or the lab allows self-approval "
                         "(cvu-records set self-approval=yes).")
            .arg(approver);
    if (!draft.referenceLapses.isEmpty() && draft.concession.isEmpty())
        return Texts::tr("The reference standard was out of its calibration interval at the time "
                         "of the run (%1): a certificate is issued only with an approver's "
                         "concession and its reason.")
            .arg(draft.referenceLapses.join(QStringLiteral("; ")));
    return {};
}

Certificate approved(Certificate draft, const QString &approver, const QString &printedName)
{
    const RunContext account = RunContext::ofThisProgram();
    QString name = printedName.trimmed();
    if (name.isEmpty())
        name = approver == account.login && !account.fullName.isEmpty() ? account.fullName
                                                                        : approver;
    draft.approval = Approval { approver, name, draft.issued, approver == draft.run.account };
    return draft;
}

Certificate nextRevision(Certificate draft, const Certificate &issued, const QString &reason)
{
    draft.revision = issued.revision + 1;
    draft.replaces = issued.number();
    draft.amendmentReason = reason.trimmed();
    const QCborMap before = frozen(issued);
    const QCborMap after = frozen(draft);
    for (const auto &[key, words] : comparedValues()) {
        if (before.value(QLatin1String(key)) != after.value(QLatin1String(key)))
            draft.changes.append(Texts::tr(words));
    }
    return draft;
}

namespace {
// The budgets the certificate printed, kept with its event for whoever audits it.
QCborArray budgetsOf(const Certificate &certificate)
{
    const UncertaintyInputs inputs = UncertaintyInputs::of(certificate.lab, certificate.reference);
    QCborArray budgets;
    for (const auto &[name, validation] : printedValidations(certificate.run)) {
        for (int step = 1; step <= validationStepCount; ++step) {
            const std::optional<StepResult> &result = validation.steps[size_t(step - 1)];
            if (!result)
                continue;
            const StepUncertainty uncertainty = stepUncertainty(step, *result, inputs);
            QCborMap kept { { QStringLiteral("validation"), name },
                { QStringLiteral("step"), step },
                { QStringLiteral("verdict"), verdictText(uncertainty.decision.verdict) },
                { QStringLiteral("rule"), decisionRuleName(uncertainty.rule) } };
            if (uncertainty.budget) {
                QCborArray contributions;
                for (const Contribution &contribution : uncertainty.budget->contributions)
                    contributions.append(
                        QCborArray { contribution.name, contribution.standardUncertainty,
                            distributionName(contribution.distribution),
                            numberOrNull(contribution.degreesOfFreedom) });
                kept.insert(QStringLiteral("contributions"), contributions);
                kept.insert(QStringLiteral("u"), uncertainty.budget->combined);
                kept.insert(QStringLiteral("k"), uncertainty.budget->coverageFactor);
                kept.insert(QStringLiteral("U"), uncertainty.budget->expanded);
                kept.insert(QStringLiteral("risk"), uncertainty.decision.risk);
            }
            budgets.append(kept);
        }
    }
    return budgets;
}
}

QCborMap frozen(const Certificate &certificate)
{
    QCborMap map { { QLatin1String(Frozen::run), certificate.run.run.toRfc4122() },
        { QLatin1String(Frozen::serial), certificate.run.sensorSerial },
        { QLatin1String(Frozen::number), certificate.baseNumber },
        { QLatin1String(Frozen::revision), certificate.revision },
        { QLatin1String(Frozen::replaces), certificate.replaces },
        { QLatin1String(Frozen::reason), certificate.amendmentReason },
        { QLatin1String(Frozen::changes), textArray(certificate.changes) },
        { QLatin1String(Frozen::issued), certificate.issued.toString(Qt::ISODateWithMs) },
        { QLatin1String(Frozen::issuer), certificate.issuer },
        { QLatin1String(Frozen::laboratory), certificate.lab.laboratoryName },
        { QLatin1String(Frozen::address), textArray(certificate.lab.laboratoryAddress) },
        { QLatin1String(Frozen::place), certificate.lab.place },
        { QLatin1String(Frozen::procedure), certificate.lab.procedure },
        { QLatin1String(Frozen::customer), certificate.customer.name },
        { QLatin1String(Frozen::customerAddress), textArray(certificate.customer.address) },
        { QLatin1String(Frozen::condition), certificate.condition },
        { QLatin1String(Frozen::temperature), certificate.temperature },
        { QLatin1String(Frozen::humidity), certificate.humidity },
        { QLatin1String(Frozen::ambientStatement), certificate.lab.ambientStatement },
        { QLatin1String(Frozen::sensorInterval), certificate.lab.sensorIntervalMonths },
        { QLatin1String(Frozen::fixtureInterval), certificate.lab.fixtureIntervalMonths },
        { QLatin1String(Frozen::nextDue), isoDate(certificate.nextDue) },
        { QLatin1String(Frozen::decisionRule), certificate.lab.decisionRule },
        { QLatin1String(Frozen::referenceCertificate), certificate.reference.certificateNumber },
        { QLatin1String(Frozen::referenceLaboratory), certificate.reference.laboratory },
        { QLatin1String(Frozen::referenceCalibrated), dateText(certificate.reference.calibrated) },
        { QLatin1String(Frozen::referenceDue), dateText(certificate.reference.due) },
        { QLatin1String(Frozen::referenceK), numberOrNull(certificate.reference.coverageFactor) },
        { QLatin1String(Frozen::referenceHigh),
            numberOrNull(certificate.reference.highReferenceUncertainty) },
        { QLatin1String(Frozen::referenceLapses), textArray(certificate.referenceLapses) },
        { QLatin1String(Frozen::concession), certificate.concession },
        { QLatin1String(Frozen::program), certificate.program },
        { QLatin1String(Frozen::anchorSeq), certificate.anchorSeq },
        { QLatin1String(Frozen::anchorHash), certificate.anchorHash } };
    QCborArray uncertainties;
    for (const std::optional<double> &u : certificate.reference.expandedUncertainty)
        uncertainties.append(numberOrNull(u));
    map.insert(QLatin1String(Frozen::referenceUncertainty), uncertainties);
    QCborArray repeatability;
    for (const std::optional<Repeatability> &step : certificate.lab.repeatability)
        repeatability.append(step ? QCborValue(QCborArray { step->deviation, step->readings })
                                  : QCborValue(QCborValue::Null));
    map.insert(QLatin1String(Frozen::repeatability), repeatability);
    QCborMap further;
    for (auto contribution = certificate.lab.furtherContributions.cbegin();
         contribution != certificate.lab.furtherContributions.cend(); ++contribution)
        further.insert(contribution.key(),
            QCborArray { contribution->value, int(contribution->distribution),
                numberOrNull(contribution->degreesOfFreedom) });
    map.insert(QLatin1String(Frozen::further), further);
    map.insert(QLatin1String(Frozen::budgets), budgetsOf(certificate));
    if (certificate.approval) {
        map.insert(QLatin1String(Frozen::approver), certificate.approval->login);
        map.insert(QLatin1String(Frozen::approverName), certificate.approval->printedName);
        map.insert(
            QLatin1String(Frozen::approved), certificate.approval->at.toString(Qt::ISODateWithMs));
        map.insert(QLatin1String(Frozen::meaning), approvalMeaning);
        map.insert(QLatin1String(Frozen::selfApproved), certificate.approval->selfApproved);
    }
    return map;
}

Certificate thawed(const QCborMap &content, const RunSummary &run)
{
    const auto text = [&](const char *key) { return content.value(QLatin1String(key)).toString(); };
    const auto value = [&](const char *key) { return content.value(QLatin1String(key)); };
    Certificate certificate;
    certificate.run = run;
    certificate.baseNumber = text(Frozen::number);
    certificate.revision = int(value(Frozen::revision).toInteger());
    certificate.replaces = text(Frozen::replaces);
    certificate.amendmentReason = text(Frozen::reason);
    certificate.changes = textsOf(value(Frozen::changes));
    certificate.issued = QDateTime::fromString(text(Frozen::issued), Qt::ISODateWithMs);
    certificate.issuer = text(Frozen::issuer);
    LabSettings &lab = certificate.lab;
    lab.laboratoryName = text(Frozen::laboratory);
    lab.laboratoryAddress = textsOf(value(Frozen::address));
    lab.place = text(Frozen::place);
    lab.procedure = text(Frozen::procedure);
    lab.ambientStatement = text(Frozen::ambientStatement);
    lab.sensorIntervalMonths = int(value(Frozen::sensorInterval).toInteger());
    lab.fixtureIntervalMonths = int(value(Frozen::fixtureInterval).toInteger());
    lab.decisionRule = text(Frozen::decisionRule);
    certificate.customer = { text(Frozen::customer), textsOf(value(Frozen::customerAddress)) };
    certificate.condition = text(Frozen::condition);
    certificate.temperature = text(Frozen::temperature);
    certificate.humidity = text(Frozen::humidity);
    certificate.nextDue = QDate::fromString(text(Frozen::nextDue), Qt::ISODate);
    lab.printNextDue = certificate.nextDue.isValid();
    FixtureReference &reference = certificate.reference;
    reference.certificateNumber = text(Frozen::referenceCertificate);
    reference.laboratory = text(Frozen::referenceLaboratory);
    reference.calibrated = dateOf(value(Frozen::referenceCalibrated));
    reference.due = dateOf(value(Frozen::referenceDue));
    reference.coverageFactor = numberOf(value(Frozen::referenceK));
    reference.highReferenceUncertainty = numberOf(value(Frozen::referenceHigh));
    const QCborArray uncertainties = value(Frozen::referenceUncertainty).toArray();
    for (size_t step = 0; step < reference.expandedUncertainty.size(); ++step)
        reference.expandedUncertainty[step] = numberOf(uncertainties.at(qsizetype(step)));
    certificate.referenceLapses = textsOf(value(Frozen::referenceLapses));
    const QCborArray repeatability = value(Frozen::repeatability).toArray();
    for (size_t step = 0; step < lab.repeatability.size(); ++step) {
        const QCborArray study = repeatability.at(qsizetype(step)).toArray();
        if (!study.isEmpty())
            lab.repeatability[step]
                = Repeatability { study.at(0).toDouble(), int(study.at(1).toInteger()) };
    }
    const QCborMap further = value(Frozen::further).toMap();
    for (auto contribution = further.cbegin(); contribution != further.cend(); ++contribution) {
        const QCborArray fields = contribution.value().toArray();
        lab.furtherContributions.insert(contribution.key().toString(),
            { fields.at(0).toDouble(), Distribution(fields.at(1).toInteger()),
                numberOf(fields.at(2)) });
    }
    certificate.concession = text(Frozen::concession);
    certificate.program = text(Frozen::program);
    certificate.anchorSeq = value(Frozen::anchorSeq).toInteger();
    certificate.anchorHash = value(Frozen::anchorHash).toByteArray();
    if (content.contains(QLatin1String(Frozen::approver)))
        certificate.approval = Approval { text(Frozen::approver), text(Frozen::approverName),
            QDateTime::fromString(text(Frozen::approved), Qt::ISODateWithMs),
            value(Frozen::selfApproved).toBool() };
    return certificate;
}

RecordEvent issueEvent(const Certificate &certificate, const QByteArray &pdfSha256)
{
    RecordEvent event = newEvent(EventKind::certificate, timeOrderedUuid());
    event.payload = frozen(certificate);
    event.payload.insert(QLatin1String(Frozen::pdfSha256), pdfSha256);
    return event;
}

QByteArray issuedPdfSha256(const QCborMap &content)
{
    return content.value(QLatin1String(Frozen::pdfSha256)).toByteArray();
}

namespace {
// The uncertainty and the statement of conformity: the rule, where the bounds come from, the
// verdict of each step and of the whole, and where it differs from the dialog's PASS and FAIL
// (ISO/IEC 17025 7.8.6, ILAC-G8).
QStringList decisionLines(const Certificate &certificate, const UncertaintyInputs &inputs)
{
    const RunSummary &run = certificate.run;
    QStringList lines { QString(), Texts::tr("Measurement uncertainty and decision rule"),
        Texts::tr("Each reading is given with its expanded uncertainty U, the combined standard "
                  "uncertainty multiplied by the coverage factor k for a coverage probability of "
                  "about 95 %; the measurand is the sensor's error of indication at each step. The "
                  "budgets are on the last page."),
        Texts::tr("The bounds are the KR-5M-LD's specified tolerances at each reference step.") };
    bool stated = true, differs = false, accepted = true;
    if (run.asLeft) {
        for (int step = 1; step <= validationStepCount; ++step) {
            const std::optional<StepResult> &result = run.asLeft->steps[size_t(step - 1)];
            if (!result)
                continue;
            const StepUncertainty uncertainty = stepUncertainty(step, *result, inputs);
            stated = stated && uncertainty.budget;
            differs = differs || uncertainty.decision.accepted() != result->passed;
            accepted = accepted && uncertainty.decision.accepted();
        }
    }
    if (stated) {
        lines.append(ruleDescription(inputs.rule));
    } else {
        lines.append(Texts::tr("U cannot be stated for every step: the reference standard's "
                               "uncertainties are not recorded in full. The lab's rule falls back "
                               "to simple acceptance, without a guard band: a reading close to a "
                               "bound may be accepted although the sensor is out of tolerance, "
                               "with a risk of up to 50 % at the bound itself."));
    }
    QStringList withoutRepeatability;
    for (int step = 1; step <= validationStepCount; ++step) {
        if (!inputs.repeatability[size_t(step - 1)])
            withoutRepeatability.append(QString::number(step));
    }
    if (withoutRepeatability.size() == validationStepCount)
        lines.append(Texts::tr("Repeatability is not included in the uncertainties: the "
                               "laboratory has recorded no repeatability study."));
    else if (!withoutRepeatability.isEmpty())
        lines.append(Texts::tr("Repeatability is not included in the uncertainties of steps %1: "
                               "the laboratory's repeatability study does not cover them.")
                         .arg(withoutRepeatability.join(QStringLiteral(", "))));
    if (run.asLeft)
        lines.append(
            Texts::tr("As left, under this rule, the sensor %1 its step tolerances.")
                .arg(accepted ? Texts::tr("conforms to") : Texts::tr("does not conform to")));
    if (differs)
        lines.append(
            Texts::tr("Under this rule the verdict of at least one step differs from the "
                      "PASS or FAIL against the bounds alone that the calibration showed."));
    return lines;
}

// The whole budget of each step of each validation printed, on a page of its own.
QStringList annexLines(const Certificate &certificate, const UncertaintyInputs &inputs)
{
    QStringList lines { QStringLiteral("\f"), Texts::tr("Annex: uncertainty budgets") };
    for (const auto &[name, validation] : printedValidations(certificate.run)) {
        lines += { QString(), Texts::tr("Validation %1").arg(name) };
        for (int step = 1; step <= validationStepCount; ++step) {
            if (const std::optional<StepResult> &result = validation.steps[size_t(step - 1)])
                lines += budgetLines(step, *result, inputs);
        }
    }
    return lines;
}
}

QStringList certificateLines(const Certificate &certificate)
{
    const RunSummary &run = certificate.run;
    const LabSettings &lab = certificate.lab;
    const UncertaintyInputs inputs = UncertaintyInputs::of(lab, certificate.reference);
    QStringList lines { Texts::tr("Calibration Certificate"),
        Texts::tr("Certificate number: %1").arg(certificate.number()) };
    if (certificate.isDraft())
        lines.append(Texts::tr("DRAFT – not valid as a certificate"));
    if (certificate.revision > 0) {
        lines.append(Texts::tr("Revision %1: replaces %2. Reason: %3")
                         .arg(certificate.revision)
                         .arg(certificate.replaces, certificate.amendmentReason));
        if (!certificate.changes.isEmpty())
            lines.append(
                Texts::tr("Changed: %1.").arg(certificate.changes.join(QStringLiteral("; "))));
    }
    lines += { QString(), Texts::tr("Laboratory") };
    if (lab.laboratorySet()) {
        lines.append(lab.laboratoryName);
        lines += lab.laboratoryAddress;
    } else {
        lines.append(Texts::tr("The laboratory's name and address are not set."));
    }
    lines.append(lab.place.isEmpty()
            ? Texts::tr("Place of calibration: the laboratory, at the address above")
            : Texts::tr("Place of calibration: %1").arg(lab.place));
    lines += { QString(), Texts::tr("Customer") };
    if (certificate.customer.name.isEmpty()) {
        lines.append(Texts::tr("Not stated."));
    } else {
        lines.append(certificate.customer.name);
        lines += certificate.customer.address;
    }
    lines += { QString(), Texts::tr("Item calibrated"),
        Texts::tr("%1 conductivity sensor, serial number %2, firmware %3")
            .arg(run.sensorModel, run.sensorSerial, run.sensorFirmware),
        Texts::tr("Condition as received: %1")
            .arg(run.asFound
                    ? Texts::tr("it %1 its validation as found").arg(verdictWord(*run.asFound))
                    : Texts::tr("not validated before it was adjusted")) };
    if (!certificate.condition.isEmpty())
        lines.append(certificate.condition);
    lines += { QString(), Texts::tr("Method"),
        lab.procedure.isEmpty()
            ? Texts::tr("Validation at five reference conductivities and two-point calibration in "
                        "the KR-5M-LD-CV-LNK fixture")
            : lab.procedure,
        Texts::tr("Performed with %1").arg(run.program),
        Texts::tr("Date of calibration: %1").arg(isoDate(run.started.date())),
        Texts::tr("Date of issue: %1").arg(isoDate(certificate.issued.date())) };
    if (run.asFound) {
        lines += { QString(),
            Texts::tr("Results as found (validation of %1)").arg(isoMinute(run.asFound->at)) };
        lines += validationLines(*run.asFound, inputs);
    }
    lines += { QString(), Texts::tr("Adjustment") };
    if (run.adjustment) {
        const Adjustment &adjustment = *run.adjustment;
        lines += { Texts::tr("Constants before: MC %1 pS/m per count, BC %2 pS/m")
                       .arg(adjustment.oldSlope, adjustment.oldOffset),
            Texts::tr("Constants after: MC %1 pS/m per count, BC %2 pS/m")
                .arg(adjustment.newSlope, adjustment.newOffset),
            adjustment.confirmed
                ? Texts::tr("The sensor confirmed that it saved the new constants.")
                : adjustment.answered
                ? Texts::tr("The sensor did not confirm that it saved the new constants; the "
                            "results as left show the constants it holds.")
                : Texts::tr("The sensor's answer to saving the new constants is not recorded; the "
                            "results as left show the constants it holds.") };
        QString whyNot;
        if (const std::optional<ConstantsUncertainty> constants
            = adjustmentUncertainty(adjustment, inputs, &whyNot))
            lines.append(Texts::tr("Uncertainty of the new constants: MC U = %1 pS/m per count, "
                                   "k = %2; BC U = %3 pS/m, k = %4")
                             .arg(QString::number(constants->slope.expanded, 'g', 2),
                                 coverageFactorText(constants->slope.coverageFactor),
                                 uncertaintyText(constants->offset.expanded),
                                 coverageFactorText(constants->offset.coverageFactor)));
        else
            lines.append(
                Texts::tr("The uncertainty of the new constants is not stated: %1.").arg(whyNot));
    } else {
        lines.append(Texts::tr("No adjustment was made."));
        if (certificate.run.foundAsLeft())
            lines.append(Texts::tr("The results as found are the results as left."));
    }
    if (run.asLeft && !run.foundAsLeft()) {
        lines += { QString(),
            Texts::tr("Results as left (validation of %1)").arg(isoMinute(run.asLeft->at)) };
        lines += validationLines(*run.asLeft, inputs);
    }
    for (const ValidationResult &other : run.otherValidations) {
        lines += { QString(),
            Texts::tr("Other validation in this run (%1, %2)")
                .arg(isoMinute(other.at), verdictWord(other)) };
        lines += validationLines(other, inputs);
    }
    lines += decisionLines(certificate, inputs);
    lines += { QString(), Texts::tr("Reference standard and traceability"),
        Texts::tr("%1, serial number %2, firmware %3, calibration date as it reports it: %4")
            .arg(run.fixture.model, run.fixture.serial, run.fixture.firmware,
                run.fixture.calibrationDate
                    ? isoDate(*run.fixture.calibrationDate)
                    : Texts::tr("not readable (\"%1\")").arg(run.fixture.calibrationDateText)) };
    const FixtureReference &reference = certificate.reference;
    if (reference.recorded()) {
        lines.append(
            Texts::tr("Calibrated by %1, certificate %2, on %3, due %4.")
                .arg(reference.laboratory.isEmpty() ? Texts::tr("a laboratory not recorded")
                                                    : reference.laboratory,
                    reference.certificateNumber.isEmpty() ? Texts::tr("(number not recorded)")
                                                          : reference.certificateNumber,
                    reference.calibrated ? isoDate(*reference.calibrated)
                                         : Texts::tr("a date not recorded"),
                    reference.due ? isoDate(*reference.due) : Texts::tr("a date not recorded")));
        lines.append(Texts::tr("The reference values are traceable to the SI through that "
                               "calibration of the reference standard."));
    } else {
        lines.append(Texts::tr("The reference standard's own calibration is not recorded: the "
                               "traceability of these results is not stated."));
    }
    if (!certificate.referenceLapses.isEmpty()) {
        lines.append(Texts::tr("The reference standard was out of its calibration interval at the "
                               "time of this calibration: %1.")
                         .arg(certificate.referenceLapses.join(QStringLiteral("; "))));
        if (!certificate.concession.isEmpty())
            lines.append(Texts::tr("Issued by concession: %1").arg(certificate.concession));
    }
    lines += { QString(), Texts::tr("Ambient conditions") };
    if (!certificate.temperature.isEmpty() || !certificate.humidity.isEmpty())
        lines.append(Texts::tr("Temperature %1 °C, relative humidity %2 %")
                         .arg(certificate.temperature.isEmpty() ? Texts::tr("not recorded")
                                                                : certificate.temperature,
                             certificate.humidity.isEmpty() ? Texts::tr("not recorded")
                                                            : certificate.humidity));
    else if (!lab.ambientStatement.isEmpty())
        lines.append(lab.ambientStatement);
    else
        lines.append(Texts::tr("Ambient conditions were not recorded."));
    lines.append(QString());
    if (certificate.nextDue.isValid())
        lines.append(Texts::tr("Next calibration due: %1, as agreed with the customer.")
                         .arg(isoDate(certificate.nextDue)));
    lines += { Texts::tr("The results relate only to the item calibrated."),
        Texts::tr("This certificate shall not be reproduced except in full."), QString(),
        Texts::tr("Approval") };
    if (certificate.approval) {
        const Approval &approval = *certificate.approval;
        lines.append(Texts::tr("%1: %2 (account %3), %4")
                         .arg(approvalMeaning, approval.printedName, approval.login,
                             isoMinute(approval.at)));
        if (approval.selfApproved)
            lines.append(Texts::tr("Approved by the technician who made the calibration, as the "
                                   "laboratory allows."));
    } else {
        lines.append(Texts::tr("Not approved: DRAFT – not valid as a certificate."));
    }
    lines.append(Texts::tr("Calibration by %1 (account %2).").arg(run.technician, run.account));
    lines.append(QString());
    if (!run.editedFields.isEmpty())
        lines.append(Texts::tr("The report of this run was saved with edited fields: %1.")
                         .arg(run.editedFields.join(QStringLiteral(", "))));
    lines.append(Texts::tr("Made by %1 from the records; record: event %2, %3")
                     .arg(certificate.program)
                     .arg(certificate.anchorSeq)
                     .arg(QString::fromLatin1(certificate.anchorHash.toHex())));
    lines += annexLines(certificate, inputs);
    lines.append(endMarker);
    return lines;
}

namespace {
// One line as drawn: its font and the height it takes at the page's width.
enum class Style { Title, Heading, Body, Draft, End };

Style styleOf(const QString &line, qsizetype index)
{
    static const QRegularExpression heading(QStringLiteral(
        "^(Laboratory|Customer|Item calibrated|Method|Results as found.*|Adjustment|Results as "
        "left.*|Other validation.*|Measurement uncertainty and decision rule|Reference standard "
        "and traceability|Ambient conditions|Approval|Annex: uncertainty budgets|Validation "
        ".*)$"));
    if (index == 0)
        return Style::Title;
    if (line == endMarker)
        return Style::End;
    if (line.startsWith(QStringLiteral("DRAFT")))
        return Style::Draft;
    return heading.match(line).hasMatch() ? Style::Heading : Style::Body;
}

QFont fontOf(Style style, const QFont &base)
{
    QFont font = base;
    font.setPointSizeF(style == Style::Title ? 16 : 9.5);
    font.setBold(style != Style::Body);
    return font;
}

struct PlacedLine
{
    QString text;
    Style style;
    double top;
};

// The lines in pages: a line that would not fit goes onto the next page, none is dropped.
QList<QList<PlacedLine>> paginated(QPainter &painter, const QStringList &lines, const QRectF &body)
{
    QList<QList<PlacedLine>> pages(1);
    double y = body.top();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // A page of its own begins here.
        if (lines.at(i) == QLatin1String("\f")) {
            if (!pages.last().isEmpty())
                pages.append(QList<PlacedLine>());
            y = body.top();
            continue;
        }
        const Style style = styleOf(lines.at(i), i);
        painter.setFont(fontOf(style, painter.font()));
        const QString text = lines.at(i).isEmpty() ? QStringLiteral(" ") : lines.at(i);
        const double height
            = painter
                  .boundingRect(QRectF(0, 0, body.width(), body.height()), Qt::TextWordWrap, text)
                  .height()
            * (style == Style::Title ? 1.6 : 1.05);
        if (y + height > body.bottom() && !pages.last().isEmpty()) {
            pages.append(QList<PlacedLine>());
            y = body.top();
        }
        pages.last().append({ lines.at(i), style, y });
        y += height;
    }
    return pages;
}
}

void drawCertificate(QPainter &painter, QPagedPaintDevice &device, const Certificate &certificate)
{
    const QRectF page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const QFont base = painter.font();
    QFont small = base;
    small.setPointSizeF(8);
    const double headerHeight = QFontMetricsF(small, &device).height() * 2;
    const QRectF body(0, headerHeight, page.width(), page.height() - headerHeight);
    const QList<QList<PlacedLine>> pages = paginated(painter, certificateLines(certificate), body);
    for (qsizetype number = 0; number < pages.size(); ++number) {
        if (number > 0)
            device.newPage();
        // Every page names the certificate, its revision and its place among the pages.
        painter.setFont(small);
        painter.setPen(certificate.isDraft() ? draftColour : QColor(Qt::black));
        painter.drawText(QRectF(0, 0, page.width(), headerHeight), Qt::AlignLeft | Qt::AlignTop,
            (certificate.isDraft()
                    ? Texts::tr("DRAFT – not valid as a certificate") + QStringLiteral("    ")
                    : QString())
                + Texts::tr("Calibration Certificate %1, page %2 of %3")
                      .arg(certificate.number())
                      .arg(number + 1)
                      .arg(pages.size()));
        for (const PlacedLine &line : pages.at(number)) {
            painter.setFont(fontOf(line.style, base));
            painter.setPen(line.style == Style::Draft ? draftColour : QColor(Qt::black));
            const Qt::Alignment align = line.style == Style::End ? Qt::AlignHCenter : Qt::AlignLeft;
            painter.drawText(QRectF(0, line.top, page.width(), body.bottom() - line.top),
                Qt::TextWordWrap | align, line.text);
        }
    }
    painter.setFont(base);
}

void setCertificatePaper(QPagedPaintDevice &device)
{
    device.setPageSize(paperOfLocale());
    device.setPageMargins(
        QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
}

QByteArray certificatePdf(const Certificate &certificate)
{
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&bytes);
        pdf.setResolution(pdfResolution);
        setCertificatePaper(pdf);
        pdf.setTitle(Texts::tr("Calibration Certificate %1").arg(certificate.number()));
        pdf.setCreator(certificate.program);
        // What the file says of itself, for verify --certificate: which record it came from.
        pdf.setDocumentXmpMetadata(
            QStringLiteral("<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta "
                           "xmlns:x='adobe:ns:meta/'><cvu:certificate number='%1' "
                           "anchor-seq='%2' anchor-hash='%3'/></x:xmpmeta><?xpacket end='w'?>")
                .arg(certificate.number())
                .arg(certificate.anchorSeq)
                .arg(QString::fromLatin1(certificate.anchorHash.toHex()))
                .toUtf8());
        QPainter painter(&pdf);
        drawCertificate(painter, pdf, certificate);
    }
    // The writer dates the file when it writes it; the date of issue makes the same
    // certificate the same bytes each time it is printed again.
    QByteArray pdf = bytes.data();
    const QByteArray marker = "/CreationDate (D:";
    const qsizetype at = pdf.indexOf(marker);
    const QByteArray stamp
        = certificate.issued.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    if (at >= 0 && stamp.size() == 14)
        pdf.replace(at + marker.size(), stamp.size(), stamp);
    return pdf;
}

std::optional<CertificateMark> certificateMark(const QByteArray &pdf)
{
    static const QRegularExpression mark(QStringLiteral(
        "<cvu:certificate number='([^']*)' anchor-seq='(\\d+)' anchor-hash='([0-9a-f]*)'/>"));
    const QRegularExpressionMatch found = mark.match(QString::fromLatin1(pdf));
    if (!found.hasMatch())
        return std::nullopt;
    return CertificateMark { found.captured(1), found.captured(2).toLongLong(),
        QByteArray::fromHex(found.captured(3).toLatin1()) };
}
