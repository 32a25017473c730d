#include "measure/SpeechAdjust.h"

#include "measure/CouplerCorrection.h"
#include "measure/MeterReadiness.h"
#include "meter/LiveBandLevel.h"
#include "meter/MeterStatus.h"
#include "platform/Interaction.h"
#include "platform/PreferenceIndex.h"
#include "platform/PreferenceStore.h"
#include "platform/TextFormat.h"

namespace tonva {

namespace {

// The hearing-level kind leaves the meter flat-weighted; the speech kind sets C weighting.
constexpr int kBandKind = static_cast<int>(MeasurementKind::HearingLevel);
constexpr int kOverallKind = static_cast<int>(MeasurementKind::SpeechHearingLevel);

} // namespace

SpeechAdjust::SpeechAdjust(SlmLink &link, SlmFileList &fileList, const TestSetup &setup, TransducerType transducer,
                           double reference, PreferenceStore &preferences)
    : m_link(link), m_fileList(fileList), m_setup(setup), m_transducer(transducer), m_reference(reference),
      m_preferences(preferences)
{
    m_basis = m_preferences.read(preference::AdjustBasis) == static_cast<int>(SpeechAdjustBasis::Overall)
                  ? SpeechAdjustBasis::Overall
                  : SpeechAdjustBasis::OneKilohertz;
}

bool SpeechAdjust::readyMeter()
{
    if (!ReadyMeterForTest(
            m_link, m_link.interaction(), MeterMode::SlmRta,
            m_basis == SpeechAdjustBasis::Overall ? kOverallKind : kBandKind,
            QStringLiteral("Could not set the Trellan properly to adjust the Speech level/frequency! Verify that it "
                           "is powered on, stable, and connected to the PC. Then press OK!")))
        return false;
    m_link.RunMeter();
    return true;
}

bool SpeechAdjust::prepare()
{
    return readyMeter() &&
           confirmGridCorrections(m_setup, m_transducer, m_preferences, m_link.interaction());
}

bool SpeechAdjust::chooseBasis(SpeechAdjustBasis basis)
{
    if (basis == m_basis)
        return true;
    m_basis = basis;
    return readyMeter();
}

std::optional<double> SpeechAdjust::readOverall()
{
    for (;;) {
        if (m_link.WaitRunState('R') == meter::kOk) {
            const double level = m_link.ReadLevel();
            if (m_link.status() == meter::kOk)
                return level;
        }
        if (m_link.interaction().ask(
                QStringLiteral("Unable to retrieve data from the Trellan.\n Verify that it is powered on, stable, and "
                               "connected to the PC. Then press OK!"),
                Buttons::OkCancel) == Answer::Cancel)
            return std::nullopt;
        m_link.Ping();
    }
}

std::optional<SpeechAdjust::Reading> SpeechAdjust::tick()
{
    const std::optional<double> level =
        m_basis == SpeechAdjustBasis::Overall ? readOverall()
                                              : readLiveBandLevelAsking(m_link, m_fileList, meter::kBand1kHz);
    if (!level)
        return std::nullopt;
    return Reading{formatText("%.1f", *level), formatText("%.1f", *level - m_reference)};
}

void SpeechAdjust::finish()
{
    m_preferences.write(preference::AdjustBasis, static_cast<int>(m_basis));
}

} // namespace tonva
