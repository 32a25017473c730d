#pragma once

#include "measure/BandReading.h"
#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"
#include "model/ReferenceData.h"
#include "platform/Interaction.h"

#include <memory>

namespace tonva {

// The speech page's rows, in list order; the numbers are the words of the stored result.
enum class SpeechSource
{
    Mic = 0,
    TapeCdA = 1,
    TapeCdB = 2,
    SpeechNoise = 3,
};
inline constexpr int kSpeechSources = 4;

// Where a speech level is judged: the reference R, and the deviation window around R + dial.
struct SpeechLimits
{
    double reference = 0.0;
    double lower = -3.0;
    double upper = 3.0;
};

// The speech page's logic: the level of the audiometer's speech channels (microphone, two external
// inputs and speech noise) on one transducer, against the speech reference plus the dial setting.
// It serves speech harmonic distortion too, which is judged into the speech entry.
class SpeechTest final : public MeasurementPage
{
public:
    explicit SpeechTest(const MeasurementServices &services);
    ~SpeechTest() override;

    int MeasureAll() override;
    int MeasureSelected(const QList<int> &rows) override;
    int Evaluate() const override;
    PageTable List() const override;

    static QString sourceName(SpeechSource source);

    // "Placement:" is offered for the bone vibrator only.
    bool placementOffered() const { return transducer() == TransducerType::BoneVibrator; }
    BonePlacement placement() const;
    void setPlacement(BonePlacement placement);
    // "Incidence Angle:" is offered for the sound field only; with both speakers only 0 degrees.
    bool incidenceOffered() const { return transducer() == TransducerType::Speakers; }
    bool incidenceLocked() const { return incidenceOffered() && ear() == Ear::Both; }
    int incidence() const; // 0 = 0 degrees, 1 = 45, 2 = 90
    void setIncidence(int index);

    // "HL Dial Setting:" as shown ("%.0f"), and as typed: an empty text or one that is not a number
    // keeps the stored setting (false for the latter).
    QString dialText() const;
    bool setDialText(const QString &text);

    SpeechLimits limits() const;
    // The reference lookup this page's block asks for, so the Adjust dialog reads the same level.
    ReferenceQuery referenceQuery() const;
    // The level at the meter that the Adjust dialog shows as 0 dB HL.
    double adjustReference() const;
    // What lies between the level at the meter and the level this page stores, at 1000 Hz.
    double correctionAt1k() const;
    // The microphone that hears an earphone or the loudspeakers: the coupler's or the open-air one.
    const MicrophoneSlot *microphone() const;

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

    SpeechResult &block() const;
    PageTable listOf(const SpeechResult &result) const;
    int prepare();
    Outcome measureSource(SpeechSource source);
    int readLevel(SpeechSource source, Progress &progress, double &level);
    void restoreFlatWeighting();
    // The maker's mastoid needs the room's conditions once per open test; false when cancelled.
    QString stimulusText(SpeechSource source) const;

    std::unique_ptr<BandReading> m_reading;
};

void registerSpeechPage(PageRegistry &registry);

} // namespace tonva
