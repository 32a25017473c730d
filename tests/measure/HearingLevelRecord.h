#pragma once

#include "measure/HearingLevelEvaluation.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"

#include <initializer_list>
#include <memory>
#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace tonva::test {

// The index of a test frequency given in hertz.
inline int at(double hertz)
{
    return frequencyIndex(hertz);
}

// A test record with all equipment chosen, for a two-channel audiometer with TDH 39 earphones on the
// Kestin coupler and an HDA200 on the Lorvat coupler, offering the given frequencies.
inline std::unique_ptr<AudTestRecord> hearingLevelRecord(std::initializer_list<double> offered,
                                                         const char *type = "1")
{
    auto record = std::make_unique<AudTestRecord>();
    TestSetup &setup = record->setup;
    setFixedText(setup.audiometerType, type);
    setup.fmRate = 5.0f;
    setup.fmDeviation = 10.0f;
    for (double hertz : offered)
        setup.frequencyAvailable[frequencyIndex(hertz)] = 1;
    for (const EarphoneModel &earphone : buildBuiltInEarphones(0)) {
        const std::string_view model = fixedText(earphone.model);
        EarphoneSlot *slot = model == "TDH 39"   ? &setup.supraAural
                             : model == "HDA200" ? &setup.circumaural
                                                 : nullptr;
        if (!slot)
            continue;
        std::copy(std::begin(earphone.retspl), std::end(earphone.retspl), std::begin(slot->retspl));
        slot->couplerCode = earphone.couplerCode;
        slot->kind = earphone.kind;
    }
    setFixedText(setup.soundLevelMeter.serialNumber, "M1");
    setFixedText(setup.preamplifier.serialNumber, "P1");
    setFixedText(setup.couplerMicrophone[1].identity.serialNumber, "L1");
    setFixedText(setup.couplerMicrophone[2].identity.serialNumber, "K1");
    setFixedText(setup.audiometerModel, "AD 229");
    for (EarphoneSlot *slot : {&setup.supraAural, &setup.circumaural}) {
        setFixedText(slot->leftSerialNumber, "E1");
        setFixedText(slot->rightSerialNumber, "E2");
    }
    for (int t = 0; t < kTransducerTypes; ++t) {
        for (int f = 0; f < kFrequencyCount; ++f) {
            record->toneLevel[0][t].dialLevel[f] = 70;
            record->narrowBand[0][t].dialLevel[f] = 60;
        }
    }
    return record;
}

} // namespace tonva::test
