#include "meter/StableSpectrum.h"

#include "meter/MeterStatus.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace tonva {

using namespace meter;

namespace {
constexpr int kRingSize = 5;
constexpr int kMaxReads = 16;
constexpr int kUnstable = -1;

using Ring = std::array<BandLevels, kRingSize>;

void applyCorrections(BandLevels &levels, std::span<const float> corrections)
{
    for (int band = 0; band < kBandCount; ++band) {
        const int index = kTestFrequencyOfBand[static_cast<size_t>(band)];
        if (index >= 0 && static_cast<size_t>(index) < corrections.size())
            levels[static_cast<size_t>(band)] -= corrections[static_cast<size_t>(index)];
    }
}

double spreadOf(const Ring &ring, int band)
{
    const auto [low, high] =
        std::minmax_element(ring.begin(), ring.end(), [band](const auto &a, const auto &b) {
            return a[static_cast<size_t>(band)] < b[static_cast<size_t>(band)];
        });
    return (*high)[static_cast<size_t>(band)] - (*low)[static_cast<size_t>(band)];
}

// Levels are averaged as energies, not as decibels.
BandLevels energyMean(const Ring &ring)
{
    BandLevels mean{};
    for (size_t band = 0; band < mean.size(); ++band) {
        double energy = 0.0;
        for (const BandLevels &slot : ring)
            energy += std::pow(10.0, slot[band] / 10.0);
        mean[band] = static_cast<float>(10.0 * std::log10(energy / kRingSize));
    }
    return mean;
}

int waitUntilRunning(SlmLink &link)
{
    while (link.WaitRunState('R') != kOk) {
        const Answer answer = link.interaction().ask(
            QStringLiteral(
                "The Trellan is not ready! Verify that the Trellan is powered on, stable, and connected to "
                "the PC. Then press OK!"),
            Buttons::OkCancel);
        if (answer == Answer::Cancel)
            return kUnstable;
    }
    return kOk;
}
} // namespace

int ReadStableSpectrum(SlmLink &link, SlmFileList &fileList, int checkBand, float calOffset,
                       BandLevels &levels, Progress *progress, std::span<const float> corrections,
                       double maxSpread, int pauseMs)
{
    if (checkBand < 0 || checkBand >= kBandCount)
        return kUnstable;
    // A spread left from an earlier reading must not be shown for one that failed on the line.
    link.setLastSpread(0.0);
    if (waitUntilRunning(link) != kOk)
        return kUnstable;

    Ring ring{};
    for (int read = 0; read < kMaxReads; ++read) {
        QByteArray record;
        const int status =
            fileList.BlockTransfer("&R1", record, kThirdOctaveRecordSize, 5, isPlausibleThirdOctaveRecord);
        if (progress && progress->checkCancel())
            return kCancelled;
        const std::optional<BandLevels> spectrum = decodeThirdOctaveRecord(record, calOffset);
        if (status != kOk || !spectrum) {
            const int error = status != kOk ? status : kBlockFailed;
            link.interaction().message(formatText("Download Error:%d Offset:%.1f", error, calOffset));
            return error;
        }
        BandLevels &slot = ring[static_cast<size_t>(read % kRingSize)];
        slot = *spectrum;
        applyCorrections(slot, corrections);

        if (read + 1 >= kRingSize) {
            const double spread = spreadOf(ring, checkBand);
            link.setLastSpread(spread);
            if (spread <= maxSpread) {
                levels = energyMean(ring);
                return status;
            }
            if (progress)
                progress->setStatus(
                    formatText("Attempting to get a stable reading: High - low = %.1f", spread));
            // The pause gives a swinging signal time to settle; while the first five readings are
            // still being gathered there is nothing to wait for.
            link.clock().sleep(pauseMs);
        }
    }
    return kUnstable;
}

} // namespace tonva
