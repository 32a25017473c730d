#include "measure/MeasurementPage.h"

#include "measure/MeterReadiness.h"
#include "measure/RequiredEquipment.h"
#include "meter/SlmLink.h"
#include "platform/Interaction.h"

namespace tonva {

namespace measure {
const char *const kMeterNotReadyQuestion =
    "Could not set the Trellan properly for the selected Measurement! Verify that it is powered on, stable, "
    "and connected to the PC. Then press OK!";
} // namespace measure

namespace {
const QString kProgressCaption = QStringLiteral("Measurement");
} // namespace

MeasurementPage::MeasurementPage(const MeasurementServices &services) : m_services(services)
{}

MeasurementPage::~MeasurementPage() = default;

void MeasurementPage::Initialise(const PageTarget &target)
{
    Q_ASSERT(target.record);
    m_target = target;
    onInitialised();
}

void MeasurementPage::AttachMeter(SlmLink *link, SlmFileList *files)
{
    m_link = link;
    m_files = files;
    onMeterAttached();
}

int MeasurementPage::Collect()
{
    const int result = statusResult();
    record().statusOf(statusKind(), transducer()) = result;
    return result;
}

MeasurementKind MeasurementPage::statusKind() const
{
    // Speech harmonic distortion has no entry of its own; it is part of the speech result.
    return measurementKindOf(measurement());
}

bool MeasurementPage::CheckRequiredEquipment() const
{
    return tonva::CheckRequiredEquipment(static_cast<int>(transducer()), record(), ear(), interaction());
}

int MeasurementPage::ReadyMeter(MeterMode mode, int kind, const QString &question, Progress *progress,
                                const QString &status) const
{
    if (!m_link)
        return measure::kNotStarted;
    return ReadyMeterForTest(*m_link, interaction(), mode, kind, question, progress, status)
               ? measure::kDone
               : measure::kCancelled;
}

std::unique_ptr<Progress> MeasurementPage::OpenProgress() const
{
    return interaction().openProgress(kProgressCaption, 0, 100, 10);
}

} // namespace tonva
