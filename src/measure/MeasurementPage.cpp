#include "measure/MeasurementPage.h"

#include "measure/BoneConductionCorrection.h"
#include "measure/MeterReadiness.h"
#include "measure/RequiredEquipment.h"
#include "measure/TestConditions.h"
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

bool MeasurementPage::askMastoidRoomConditions(bool *conditionsJustEntered)
{
    // A stored temperature outside this range is no room a test was run in: propose a typical room.
    constexpr float kLowestRoomCelsius = 17.0f;
    constexpr float kHighestRoomCelsius = 29.0f;
    constexpr TestConditions kTypicalRoom{23.0f, 760.0f, 50};

    if (conditionsJustEntered)
        *conditionsJustEntered = false;
    bool &entered = m_target.testConditionsEntered ? *m_target.testConditionsEntered : m_ownConditionsEntered;
    TestSetup &setup = m_target.record->setup;
    if (entered || !isMervaneMastoid(setup.mastoid))
        return true;
    TestConditions conditions{setup.temperature, setup.pressure, setup.humidity};
    if (!(setup.temperature >= kLowestRoomCelsius && setup.temperature <= kHighestRoomCelsius))
        conditions = kTypicalRoom;
    if (interaction().askTestConditions(conditions) == Answer::Cancel)
        return false;
    setup.temperature = conditions.temperature;
    setup.humidity = conditions.humidity;
    setup.pressure = conditions.pressure;
    entered = true;
    if (conditionsJustEntered)
        *conditionsJustEntered = true;
    return true;
}

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
