#include "app/MeasurementSummary.h"

#include "app/CVemoraDoc.h"
#include "model/FixedText.h"
#include "platform/Interaction.h"
#include "platform/TextFormat.h"

#include <QDate>

namespace tonva {

namespace {

QString orNotAvailable(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("N/A") : text;
}

} // namespace

MeasurementSummary::MeasurementSummary(CVemoraDoc &document, Interaction &interaction)
    : m_document(document), m_interaction(interaction)
{}

std::optional<int> MeasurementSummary::yearFromText(const QString &yearText)
{
    bool ok = false;
    int year = yearText.trimmed().toInt(&ok);
    // Four digits at most: the stored date has room for a four-digit year only.
    if (!ok || year < 0 || year > 9999)
        return std::nullopt;
    if (year < 100)
        year += year < 90 ? 2000 : 1900;
    if (year <= 1900)
        return std::nullopt;
    return year;
}

QString MeasurementSummary::statusText(std::int32_t status)
{
    switch (status) {
    case static_cast<std::int32_t>(ResultStatus::Passed):
        return QStringLiteral("Pass");
    case static_cast<std::int32_t>(ResultStatus::Failed):
        return QStringLiteral("FAIL");
    case static_cast<std::int32_t>(ResultStatus::NotApplicable):
        return QStringLiteral("n/a");
    default:
        return QStringLiteral(" - ");
    }
}

QString MeasurementSummary::measurementName(int kind)
{
    static const char *const names[kMeasurementKinds] = {
        "Hearing Level", "Frequency",            "Linearity",         "Harmonic Distortion", "Pulse",
        "Cross Talk",    "Frequency Modulation", "Narrow Band Level", "Broad Band Noise",    "Speech"};
    return kind >= 0 && kind < kMeasurementKinds ? QLatin1String(names[kind]) : QString();
}

SummaryFields MeasurementSummary::fields() const
{
    const TestSetup &setup = m_document.currentTest().setup;
    SummaryFields fields;
    const QDate date = QDate::fromString(displayText(setup.testDate), QStringLiteral("yyyy-MM-dd"));
    if (date.isValid()) {
        fields.yearText = QString::number(date.year());
        fields.month = date.month();
        fields.dayText = formatText("%02d", date.day());
    }
    fields.technician = displayText(setup.technician);
    return fields;
}

QString MeasurementSummary::audiometerLine() const
{
    const TestSetup &setup = m_document.currentTest().setup;
    return QStringLiteral("%1  %2  SN:%3")
        .arg(orNotAvailable(displayText(setup.audiometerManufacturer).trimmed()),
             orNotAvailable(displayText(setup.audiometerModel).trimmed()),
             orNotAvailable(displayText(setup.audiometerSerialNumber).trimmed()));
}

std::optional<QString> MeasurementSummary::store(const SummaryFields &fields)
{
    TestSetup &setup = m_document.currentTest().setup;
    const TestSetup before = setup;

    if (const std::optional<int> year = yearFromText(fields.yearText)) {
        bool dayOk = false;
        const int day = fields.dayText.trimmed().toInt(&dayOk);
        if (dayOk && QDate(*year, fields.month, day).isValid())
            setFixedText(setup.testDate,
                         formatText("%4d-%02d-%02d", *year, fields.month, day).toStdString());
    }
    const QString technician = fields.technician.trimmed();
    setDisplayText(setup.technician, technician);

    if (fixedText(before.testDate) != fixedText(setup.testDate) ||
        fixedText(before.technician) != fixedText(setup.technician))
        m_document.setModified(true);
    if (technician.isEmpty())
        return std::nullopt;
    return technician;
}

bool MeasurementSummary::done(const SummaryFields &fields)
{
    if (fields.technician.trimmed().isEmpty()) {
        m_interaction.message(
            QStringLiteral("You must enter a technician before leaving the audiometer measurements."));
        return false;
    }
    return true;
}

bool MeasurementSummary::cancel()
{
    if (m_document.isModified() &&
        m_interaction.ask(QStringLiteral("There were changes in the test. \nDo you really want to exit?"),
                          Buttons::YesNo) != Answer::Yes)
        return false;
    m_document.setModified(false);
    return true;
}

bool MeasurementSummary::save(const SummaryFields &fields, bool instrumentsDefined, bool preferencesSet)
{
    if (!instrumentsDefined) {
        m_interaction.message(QStringLiteral("Must define equipment first."));
        return false;
    }
    if (!preferencesSet) {
        m_interaction.message(QStringLiteral("Must set program preferences first."));
        return false;
    }
    store(fields);
    return m_document.SaveTest();
}

} // namespace tonva
