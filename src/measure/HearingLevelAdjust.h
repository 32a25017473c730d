#pragma once

#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "model/AudTestRecord.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tonva {

// The logic of the "Adjust Level" dialog: the live level of one frequency while the technician trims
// the audiometer. The dialog calls tick() from its one-second timer and restarts the timer only
// when a reading came back.
class HearingLevelAdjust
{
public:
    struct Reading
    {
        QString level;        // corrected SPL, "%.1f"
        QString hearingLevel; // that minus the reference level, "%.1f"
    };

    HearingLevelAdjust(SlmLink &link, SlmFileList &fileList, const TestSetup &setup,
                       TransducerType transducer, int lastMeasuredFrequency);
    // The bone vibrator offers its own frequencies and reads force levels through the mastoid
    // against the RETFL of its placement.
    HearingLevelAdjust(SlmLink &link, SlmFileList &fileList, const TestSetup &setup, bool forehead,
                       int lastMeasuredFrequency);

    // Readies the meter for level readings; false when the technician gave up (the dialog closes).
    bool prepare();

    // The offered frequencies ("%.1f"), and the row to select first: the frequency measured last, or
    // the first row when none was.
    QStringList frequencyTexts() const;
    int preselectedRow() const { return m_row; }
    void choose(int row);

    // One reading of the chosen frequency; nothing when the technician stopped the readings or no
    // frequency is offered.
    std::optional<Reading> tick();

private:
    SlmLink &m_link;
    SlmFileList &m_fileList;
    const TestSetup &m_setup;
    TransducerType m_transducer;
    bool m_forehead = false;
    std::vector<int> m_frequencies;
    int m_row = 0;
};

} // namespace tonva
