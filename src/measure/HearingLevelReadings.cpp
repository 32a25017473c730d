#include "measure/HearingLevelReadings.h"

#include "measure/FrequencyConsensus.h"
#include "measure/HearingLevelEvaluation.h"
#include "meter/MeterRecords.h"
#include "meter/MeterStatus.h"
#include "meter/StableSpectrum.h"
#include "platform/TextFormat.h"

namespace tonva {

namespace {

void showStatus(Progress &progress, const QString &prefix, const QString &text)
{
    progress.setStatus(prefix.isEmpty() ? text : prefix + QStringLiteral(": ") + text);
}

} // namespace

int HearingLevelReadings::ensureCalOffset(Progress &progress, const QString &prefix)
{
    if (m_haveCalOffset)
        return meter::kOk;
    showStatus(progress, prefix, QStringLiteral("Reading calibration offset"));
    m_calOffset = static_cast<float>(m_link.GetCalOffset());
    if (m_link.status() != meter::kOk)
        return failedExchange(m_link.status());
    m_haveCalOffset = true;
    return meter::kOk;
}

int HearingLevelReadings::ensureReadingGain(Progress &progress, const QString &prefix)
{
    const int gain = m_link.GetGain();
    if (gain < 0)
        return failedExchange(gain);
    if (gain == kReadingGain)
        return meter::kOk;
    showStatus(progress, prefix, QStringLiteral("Setting the gain on the Trellan"));
    const int status = m_link.SetGain(kReadingGain, &progress);
    if (status == meter::kCancelled)
        return status;
    return status < 0 ? failedExchange(status) : meter::kOk;
}

int HearingLevelReadings::failedExchange(int status)
{
    // The technician may have to plug the cable back in; the caller then offers to measure again.
    return m_link.RecoverLink() == meter::kCancelled ? meter::kCancelled : status;
}

int HearingLevelReadings::readBandLevel(int frequencyIndex, Progress &progress, double &level)
{
    int status = ensureCalOffset(progress, {});
    if (status == meter::kOk)
        status = ensureReadingGain(progress, {});
    if (status != meter::kOk)
        return status;
    const int band = meter::bandOfTestFrequency(frequencyIndex);
    meter::BandLevels levels{};
    status = ReadStableSpectrum(m_link, m_fileList, band, m_calOffset, levels, &progress, {},
                                kMaxLevelSpreadDb, kStableReadPauseMs);
    if (status == meter::kOk)
        level = levels[static_cast<std::size_t>(band)];
    return status;
}

int HearingLevelReadings::readFrequency(int frequencyIndex, Progress &progress, double &hertz)
{
    hertz = 0.0;
    // A span change that never settled is a failed exchange like any other, not the technician's
    // Cancel: ending here would drop the rest of the page without a word.
    const int selected = m_link.SelectBandwidth(frequencyIndex, kWideBandwidthFrom, &progress);
    if (selected == meter::kCancelled)
        return selected;
    if (selected != meter::kOk)
        return failedExchange(selected);
    m_link.RunMeter();
    progress.setStatus(QStringLiteral("Getting multiple readings..."));
    FrequencyConsensus consensus(nominalHz(frequencyIndex));
    QByteArray reply;
    for (;;) {
        if (progress.checkCancel())
            return meter::kCancelled;
        int status = m_link.Command("R241,512", &reply, kFrequencyReplyBytes, 1);
        if (status == meter::kOk)
            status = m_link.Command("R241,0", &reply, kFrequencyReplyBytes, 1);
        if (status != meter::kOk)
            return failedExchange(status);
        switch (consensus.add(meter::leadingNumber(reply))) {
        case FrequencyConsensus::Outcome::NeedMore:
            progress.step();
            continue;
        case FrequencyConsensus::Outcome::Settled:
            hertz = consensus.result();
            return meter::kOk;
        case FrequencyConsensus::Outcome::Inconsistent:
            m_link.interaction().message(consensus.inconsistencyMessage());
            return meter::kOk;
        }
    }
}

int HearingLevelReadings::readFrequencyRecord(meter::FrequencyReading &reading)
{
    int status = meter::kBlockFailed;
    for (int attempt = 0; attempt < kRecordAttempts; ++attempt) {
        if (attempt > 0)
            m_link.clock().sleep(kRecordRetryMs);
        QByteArray block;
        status = m_fileList.BlockTransfer("&R7", block, meter::kFrequencyRecordSize, 5,
                                          meter::isPlausibleFrequencyRecord);
        if (status != meter::kOk)
            continue;
        if (const auto decoded = meter::decodeFrequencyRecord(block)) {
            reading = *decoded;
            return meter::kOk;
        }
        status = meter::kBlockFailed;
    }
    m_link.interaction().message(formatText("Data Error:%d on Command %s", status, "&R7"));
    return status;
}

int HearingLevelReadings::readModulation(Progress &progress, const QString &prefix, FmValues &values)
{
    int status = ensureCalOffset(progress, prefix);
    if (status == meter::kOk)
        status = ensureReadingGain(progress, prefix);
    if (status != meter::kOk)
        return status;
    showStatus(progress, prefix, QStringLiteral("Waiting for Trellan to be ready"));
    status = m_link.WaitRunState('R', &progress);
    if (status != meter::kOk)
        return status;

    showStatus(progress, prefix, QStringLiteral("Attempting to read stable data from the Trellan"));
    meter::FrequencyReading reading;
    bool previousInSwing = false;
    int unsteady = 0;
    for (;;) {
        if (progress.checkCancel())
            return meter::kCancelled;
        status = readFrequencyRecord(reading);
        if (status != meter::kOk)
            return status;
        const bool inSwing = reading.lowest <= reading.measured && reading.measured <= reading.highest;
        if (inSwing && previousInSwing)
            break;
        previousInSwing = inSwing;
        if (++unsteady <= kUnsteadyRecordsBeforeAsking)
            continue;
        const bool pureTone = reading.lowest <= 0.0001 && reading.highest <= 0.0001;
        const QString question =
            pureTone ? QStringLiteral("Only a pure tone is heard. Make sure FM is set.\nTry Again?")
                     : QStringLiteral("Could not get a stable reading.\nTry Again?");
        if (m_link.interaction().ask(question, Buttons::YesNo) != Answer::Yes)
            return meter::kCancelled;
        unsteady = 0;
        previousInSwing = false;
    }

    showStatus(progress, prefix, QStringLiteral("Reading data from the Trellan"));
    status = readFrequencyRecord(reading);
    if (status != meter::kOk)
        return status;
    values = {reading.measured, reading.lowest,  reading.highest,
              reading.fourth,   reading.statusA, reading.statusB};
    return meter::kOk;
}

} // namespace tonva
