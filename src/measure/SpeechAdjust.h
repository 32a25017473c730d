#pragma once

#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "model/AudTestRecord.h"

#include <QString>
#include <optional>

namespace tonva {

class PreferenceStore;

// What the speech Adjust dialog reads: the 1000 Hz band (the calibration tone of the speech inputs)
// or the overall level (speech noise), which is stated C-weighted. The numbers are those of the
// "Adjust Basis" setting.
enum class SpeechAdjustBasis
{
    Overall = 0,
    OneKilohertz = 1,
};

// The logic of the speech "Adjust Level" dialog: the live speech level while the technician trims
// the audiometer. The dialog calls tick() from its one-second timer and restarts the timer only
// when a reading came back.
class SpeechAdjust
{
public:
    struct Reading
    {
        QString level;        // "%.1f", under "SPL"
        QString hearingLevel; // that minus the reference, "%.1f", under "dBHL"
    };

    // `reference` is the level at the meter that reads 0 dB HL.
    SpeechAdjust(SlmLink &link, SlmFileList &fileList, const TestSetup &setup, TransducerType transducer,
                 double reference, PreferenceStore &preferences);

    // Readies the meter for the chosen basis; false when the technician gave up (the dialog closes).
    bool prepare();

    SpeechAdjustBasis basis() const { return m_basis; }
    // The overall level means nothing for speech unless it is C-weighted, so changing the basis
    // readies the meter again. False when the technician gave up on the meter.
    bool chooseBasis(SpeechAdjustBasis basis);
    double reference() const { return m_reference; }

    // One reading; nothing when the technician stopped the readings.
    std::optional<Reading> tick();
    // OK: the basis is kept for the next time.
    void finish();

private:
    bool readyMeter();
    std::optional<double> readOverall();

    SlmLink &m_link;
    SlmFileList &m_fileList;
    const TestSetup &m_setup;
    TransducerType m_transducer;
    double m_reference;
    PreferenceStore &m_preferences;
    SpeechAdjustBasis m_basis = SpeechAdjustBasis::OneKilohertz;
};

} // namespace tonva
