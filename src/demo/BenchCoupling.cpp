#include "demo/BenchCoupling.h"

#include "measure/BoneConductionCorrection.h"
#include "measure/CouplerCorrection.h"
#include "model/ReferenceData.h"

#include <cmath>

namespace tonva::demo {

namespace {

double referenceLevel(const TestSetup &setup, TransducerType transducer, int frequencyIndex,
                      MeasurementKind kind, int incidence = 0, bool binaural = false)
{
    ReferenceQuery query;
    query.transducer = transducer;
    query.frequencyIndex = frequencyIndex;
    query.kind = kind;
    query.incidence = incidence;
    query.binaural = binaural;
    return GetReferenceLevel(setup, query);
}

PerFrequencyDb speakerReferences(const TestSetup &setup, int incidence, bool binaural)
{
    PerFrequencyDb levels{};
    for (int f = 0; f < kFrequencyCount; ++f)
        levels[static_cast<std::size_t>(f)] =
            referenceLevel(setup, TransducerType::Speakers, f, MeasurementKind::HearingLevel, incidence, binaural);
    return levels;
}

} // namespace

AudiometerCoupling couplingFor(const TestSetup &setup)
{
    AudiometerCoupling coupling;
    for (int t = 0; t < AudiometerCoupling::kTransducerTypes; ++t) {
        const auto transducer = static_cast<TransducerType>(t);
        TransducerCoupling &path = coupling.transducers[static_cast<std::size_t>(t)];
        for (int f = 0; f < kFrequencyCount; ++f) {
            const auto i = static_cast<std::size_t>(f);
            path.referenceDb[i] = referenceLevel(setup, transducer, f, MeasurementKind::HearingLevel);
            path.correctionDb[i] = couplerCorrection(setup, transducer, f);
        }
    }
    // The vibrator's force level reaches the meter through the mastoid, in the room the set-up records.
    TransducerCoupling &bone = coupling.transducers[static_cast<std::size_t>(TransducerType::BoneVibrator)];
    for (int f = 0; f < kFrequencyCount; ++f) {
        const auto i = static_cast<std::size_t>(f);
        // A mastoid without usable sensitivities is refused by the page; the bench stays a number.
        const double mastoid = mastoidCorrection(setup, f).total();
        bone.correctionDb[i] = std::isfinite(mastoid) ? mastoid : 0.0;
        ReferenceQuery forehead;
        forehead.transducer = TransducerType::BoneVibrator;
        forehead.frequencyIndex = f;
        forehead.forehead = true;
        coupling.boneForeheadReferenceDb[i] = GetReferenceLevel(setup, forehead);
    }
    // The open-air microphone stands where the listener's head would be; its response is all that
    // lies between the loudspeaker's sound field and the meter.
    coupling.transducers[static_cast<std::size_t>(TransducerType::Speakers)].correctionDb =
        AudiometerCoupling::perFrequency(setup.couplerMicrophone[0].response);
    coupling.speakerReference45Db = speakerReferences(setup, 1, false);
    coupling.speakerReference90Db = speakerReferences(setup, 2, false);
    coupling.speakerReferenceBinauralDb = speakerReferences(setup, 0, true);
    constexpr auto earphone = TransducerType::SupraAural;
    for (int f = 0; f < kFrequencyCount; ++f) {
        coupling.narrowBandCorrectionDb[static_cast<std::size_t>(f)] =
            referenceLevel(setup, earphone, f, MeasurementKind::NarrowBandLevel) -
            referenceLevel(setup, earphone, f, MeasurementKind::HearingLevel);
    }
    const int oneKilohertz = frequencyIndex(1000.0);
    coupling.speechCorrectionDb =
        referenceLevel(setup, earphone, oneKilohertz, MeasurementKind::SpeechHearingLevel) -
        referenceLevel(setup, earphone, oneKilohertz, MeasurementKind::HearingLevel);
    return coupling;
}

} // namespace tonva::demo
