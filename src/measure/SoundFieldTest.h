#pragma once

#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"
#include "meter/MeterRecords.h"

#include <QString>
#include <vector>

namespace tonva {

// What the audiometer's loudspeakers play for a sound-field page: warble tones or narrow-band noise.
enum class SoundFieldSignal
{
    Warble,
    NarrowBand,
};

namespace soundfield {

// The deviation window of a signal at a frequency index, bounds inclusive.
struct Tolerance
{
    double lower = -3.0;
    double upper = 3.0;
};
Tolerance toleranceOf(SoundFieldSignal signal, int frequencyIndex);

// The level of a narrow sound in the band of `band` with both neighbours added in, as energies;
// neighbours outside the meter's bands are left out.
double threeBandLevel(const meter::BandLevels &levels, int band);

} // namespace soundfield

// The sound-field pages' logic: the level the loudspeakers give at the listener's place, read with
// the open-air microphone, for one loudspeaker at an incidence angle (mono) or for both (binaural).
// The measurement chooses the signal: hearing level plays warble tones, narrow band level noise.
class SoundFieldTest final : public MeasurementPage
{
public:
    SoundFieldTest(const MeasurementServices &services, bool binaural);
    ~SoundFieldTest() override;

    int MeasureAll() override;
    int MeasureSelected(const QList<int> &rows) override;
    int Evaluate() const override;
    PageTable List() const override;

    bool binaural() const { return m_binaural; }
    SoundFieldSignal signal() const;
    // "Incidence angle:" of the mono page: 0 = 0 degrees, 1 = 45, 2 = 90. The binaural page stays at 0.
    int incidence() const;
    void setIncidence(int index);

    // The frequency indices of List()'s rows.
    std::vector<int> rowFrequencies() const;

protected:
    void onInitialised() override;
    void onMeterAttached() override;
    int statusResult() const override;

private:
    enum class Outcome
    {
        Next,
        Ended,
    };

    // The block of this page's signal, loudspeaker and page.
    float *measuredLevels() const;
    const std::int16_t *dialLevels() const;
    PageTable listOf(const float *measured, const std::int16_t *dial, int incidence, bool binaural) const;
    int prepare();
    int read(int frequencyIndex, Progress &progress, double &level);
    Outcome measureFrequency(int frequencyIndex, int *status);

    bool m_binaural;
    bool m_haveCalOffset = false;
    float m_calOffset = 0.0f;
};

void registerSoundFieldPages(PageRegistry &registry);

} // namespace tonva
