#pragma once

#include "meter/MeterRecords.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"

#include <span>

namespace tonva {

// Reads third-octave spectra until the check band holds still over five reads, then gives each
// band's energy mean of those five. Returns 0; -1 when no stable reading came in 16 reads or the
// technician gave up waiting for the meter; a transfer error; or 1000 on cancel.
// `corrections`, indexed by test frequency, are subtracted from the bands at their centres;
// empty for none. The check band's spread is left in the link's lastSpread().
int ReadStableSpectrum(SlmLink &link, SlmFileList &fileList, int checkBand, float calOffset,
                       meter::BandLevels &levels, Progress *progress, std::span<const float> corrections,
                       double maxSpread, int pauseMs);

} // namespace tonva
