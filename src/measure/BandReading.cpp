#include "measure/BandReading.h"

#include "measure/CouplerCorrection.h"
#include "meter/MeterStatus.h"
#include "meter/StableSpectrum.h"
#include "platform/Interaction.h"

namespace tonva {

namespace {
constexpr int kNotReady = meter::kNoReply;
} // namespace

int BandReading::read(int frequencyIndex, int kind, Progress &progress, double &bandLevel)
{
    progress.setStatus(QStringLiteral("Checking the Trellan for SLM/RTA mode"));
    if (m_link.SetupMeterForTest(MeterMode::SlmRta, kind) == 0)
        return kNotReady;
    if (!m_haveCalOffset) {
        progress.setStatus(QStringLiteral("Reading calibration offset"));
        m_calOffset = static_cast<float>(m_link.GetCalOffset());
        if (m_link.status() != meter::kOk)
            return m_link.RecoverLink() == meter::kCancelled ? meter::kCancelled : m_link.status();
        m_haveCalOffset = true;
    }
    if (progress.checkCancel())
        return meter::kCancelled;
    progress.setStatus(QStringLiteral("Stabilizing the signal"));
    m_link.StopMeter();
    m_link.RunMeter();
    const int band = meter::bandOfTestFrequency(frequencyIndex);
    meter::BandLevels levels{};
    const int status = ReadStableSpectrum(m_link, m_fileList, band, m_calOffset, levels, &progress, {},
                                          kMaxSpreadDb, kPauseMs);
    if (status == meter::kOk)
        bandLevel = levels[static_cast<std::size_t>(band)];
    return status;
}

double BandReading::levelAtEar(double bandLevel, const TestSetup &setup, TransducerType transducer,
                               int frequencyIndex)
{
    return bandLevel - couplerCorrection(setup, transducer, frequencyIndex);
}

int BandReading::gainForDialLevel(int dialLevel)
{
    if (dialLevel < kQuietBelow)
        return kQuietGain;
    return dialLevel >= kLoudFrom ? kLoudGain : meter::kGainZeroDb;
}

int BandReading::ensureGain(int gainIndex, Progress &progress)
{
    for (;;) {
        int current = m_link.GetGain();
        if (current == gainIndex)
            return meter::kOk;
        if (current >= 0) {
            current = m_link.SetGain(gainIndex, &progress);
            if (current == meter::kCancelled)
                return current;
            if (current >= 0)
                return meter::kOk;
        }
        if (m_link.RecoverLink() == meter::kCancelled)
            return meter::kCancelled;
    }
}

} // namespace tonva
