#include "measure/HearingLevelAdjust.h"

#include "measure/BoneConductionTest.h"
#include "measure/CouplerCorrection.h"
#include "measure/HearingLevelEvaluation.h"
#include "measure/MeterReadiness.h"
#include "meter/LiveBandLevel.h"
#include "meter/MeterRecords.h"
#include "meter/MeterStatus.h"
#include "model/ReferenceData.h"
#include "platform/TextFormat.h"

#include <algorithm>

namespace tonva {

HearingLevelAdjust::HearingLevelAdjust(SlmLink &link, SlmFileList &fileList, const TestSetup &setup,
                                       TransducerType transducer, int lastMeasuredFrequency)
    : m_link(link), m_fileList(fileList), m_setup(setup), m_transducer(transducer),
      m_frequencies(selectedFrequencies(setup, HearingLevelMode::HearingLevel))
{
    const auto last = std::find(m_frequencies.begin(), m_frequencies.end(), lastMeasuredFrequency);
    m_row = last == m_frequencies.end() ? 0 : static_cast<int>(last - m_frequencies.begin());
}

HearingLevelAdjust::HearingLevelAdjust(SlmLink &link, SlmFileList &fileList, const TestSetup &setup, bool forehead,
                                       int lastMeasuredFrequency)
    : HearingLevelAdjust(link, fileList, setup, TransducerType::BoneVibrator, lastMeasuredFrequency)
{
    m_forehead = forehead;
    m_frequencies = boneLevelFrequencies(setup);
    const auto last = std::find(m_frequencies.begin(), m_frequencies.end(), lastMeasuredFrequency);
    m_row = last == m_frequencies.end() ? 0 : static_cast<int>(last - m_frequencies.begin());
}

bool HearingLevelAdjust::prepare()
{
    return ReadyMeterForTest(
        m_link, m_link.interaction(), MeterMode::SlmRta, static_cast<int>(MeasurementKind::HearingLevel),
        QStringLiteral(
            "Could not set the Trellan properly to adjust the Hearing level/frequency! Verify that it "
            "is powered on, stable, and connected to the PC. Then press OK!"));
}

QStringList HearingLevelAdjust::frequencyTexts() const
{
    QStringList texts;
    for (int f : m_frequencies)
        texts << formatText("%.1f", nominalHz(f));
    return texts;
}

void HearingLevelAdjust::choose(int row)
{
    if (row >= 0 && row < static_cast<int>(m_frequencies.size()))
        m_row = row;
}

std::optional<HearingLevelAdjust::Reading> HearingLevelAdjust::tick()
{
    if (m_frequencies.empty())
        return std::nullopt;
    const int f = m_frequencies[static_cast<std::size_t>(m_row)];
    const std::optional<double> bandLevel =
        readLiveBandLevelAsking(m_link, m_fileList, meter::bandOfTestFrequency(f));
    if (!bandLevel)
        return std::nullopt;
    ReferenceQuery query;
    query.transducer = m_transducer;
    query.frequencyIndex = f;
    query.forehead = m_forehead;
    const bool bone = m_transducer == TransducerType::BoneVibrator;
    const double level =
        *bandLevel - (bone ? mastoidCorrection(m_setup, f).total() : couplerCorrection(m_setup, m_transducer, f));
    const double hearingLevel = level - GetReferenceLevel(m_setup, query);
    return Reading{formatText("%.1f", level), formatText("%.1f", hearingLevel)};
}

} // namespace tonva
