#pragma once

#include "model/BoothRecord.h"

#include <QDate>
#include <QStringList>
#include <array>
#include <optional>

namespace tonva {

class Interaction;
class PreferenceStore;
class SlmFileList;
class SlmLink;
struct Inventory;

// The instruments chosen in the instrument window, which a survey without its own takes over.
struct BoothEquipment
{
    std::optional<InstrumentIdentity> soundLevelMeter;
    std::optional<InstrumentIdentity> preamplifier;
    std::optional<MicrophoneSlot> microphone;

    // The entries at the "CURRENT SLM", "CURRENT PREAMP" and "CURRENT MIKE" positions, where the
    // lists have them.
    static BoothEquipment currentSelection(const Inventory &inventory, const PreferenceStore &preferences);
};

// Fills the record's missing instruments from `selection` and names what is still missing
// ("    SLM\n", "    Preamp\n", "    Mic\n"), in that order.
QStringList completeBoothEquipment(BoothRecord &record, const BoothEquipment &selection);

// The levels and date of a survey, as they were before a measurement replaced them.
struct BoothLevels
{
    std::array<float, kThirdOctaveBands> bandLevel{};
    char measurementDate[16]{};

    static BoothLevels of(const BoothRecord &record);
    void restoreInto(BoothRecord &record) const;
};

// True once any band holds a measured level (a record never measured holds -100 or nothing at all).
bool holdsAmbientValues(const BoothRecord &record);
// Marks every band not measured.
void clearAmbientValues(BoothRecord &record);

// The background-noise survey of a booth: the meter's set-up, the stability gate and ten samples a
// second apart, energy-averaged band by band. The record keeps its old levels and date until the
// survey has all ten samples, so a survey that is cancelled or fails leaves it as it was.
class AmbientSurvey
{
public:
    enum class Outcome
    {
        Measured,
        Cancelled, // the technician stopped it; nothing changed
        Failed,    // equipment missing or the meter failed; the technician was told, nothing changed
    };

    static constexpr int kSamples = 10;
    static constexpr int kGain = 5; // +30 dB: a quiet booth is read well above the input's own noise
    static constexpr int kSampleIntervalMs = 1000;

    AmbientSurvey(SlmLink &link, SlmFileList &files);

    // When the window opens on a connected meter: readies it for the survey, asking while it
    // refuses. False when the technician gave up.
    bool prepareMeter();

    // Measure All on `record`, dated `today`.
    Outcome measure(BoothRecord &record, const QDate &today, const BoothEquipment &selection = {});

    // The levels and date the last completed survey replaced; none before one completed.
    const std::optional<BoothLevels> &previous() const { return m_previous; }
    // Cancel of the window: back to what the record held before the last survey.
    void restorePrevious(BoothRecord &record) const;

    // The energy mean of one band's sample levels, in dB.
    static float energyMean(const float *levels, int count);

private:
    SlmLink &m_link;
    SlmFileList &m_files;
    std::optional<BoothLevels> m_previous;
};

} // namespace tonva
