#pragma once

#include <optional>

namespace tonva {

class SlmFileList;
class SlmLink;

// The level one third-octave band shows right now: the run state waited for, the calibration
// offset read afresh, one "&R1" record. Dialogs that follow a level live (the Adjust dialog, the
// meter calibration) read it once a second. 0, or the failing status; `level` is set only on 0.
int ReadLiveBandLevel(SlmLink &link, SlmFileList &fileList, int band, double &level);

// The same, asking the technician to check the meter for as long as the reading fails. Nothing
// when they cancel: the dialog then stops its readings.
std::optional<double> readLiveBandLevelAsking(SlmLink &link, SlmFileList &fileList, int band);

} // namespace tonva
