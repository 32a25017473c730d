#include "measure/CouplerCorrection.h"

#include "model/FixedText.h"
#include "platform/Interaction.h"
#include "platform/PreferenceIndex.h"
#include "platform/PreferenceStore.h"

#include <algorithm>

namespace tonva {

const EarphoneSlot *earphoneSlot(const TestSetup &setup, TransducerType transducer)
{
    switch (transducer) {
    case TransducerType::SupraAural:
        return &setup.supraAural;
    case TransducerType::InsertEarphone:
        return &setup.insert;
    case TransducerType::Circumaural:
        return &setup.circumaural;
    case TransducerType::BoneVibrator:
    case TransducerType::Speakers:
        break;
    }
    return nullptr;
}

const MicrophoneSlot *couplerMicrophone(const TestSetup &setup, TransducerType transducer)
{
    const EarphoneSlot *earphone = earphoneSlot(setup, transducer);
    // Slot 0 is the free-field microphone, never a coupler's; a damaged code must not index past
    // the slots.
    if (!earphone || earphone->couplerCode < 1 || earphone->couplerCode >= kCouplerMicrophoneSlots)
        return nullptr;
    return &setup.couplerMicrophone[earphone->couplerCode];
}

float couplerCorrection(const TestSetup &setup, TransducerType transducer, int frequencyIndex)
{
    const MicrophoneSlot *microphone = couplerMicrophone(setup, transducer);
    if (!microphone || frequencyIndex < 0 || frequencyIndex >= kFrequencyCount)
        return 0.0f;
    float correction = microphone->response[frequencyIndex];
    if (transducer == TransducerType::Circumaural && frequencyIndex >= kFirstGridFrequency)
        correction += microphone->gridCorrection[frequencyIndex - kFirstGridFrequency];
    return correction;
}

bool gridCorrectionsMissing(const MicrophoneSlot &microphone)
{
    return std::all_of(std::begin(microphone.gridCorrection), std::end(microphone.gridCorrection),
                       [](float value) { return value == 0.0f; });
}

QString missingGridQuestion(const MicrophoneSlot &microphone)
{
    const QString manufacturer = displayText(microphone.identity.manufacturer);
    const QString kind = manufacturer.contains(QLatin1String("Mervane")) ? QStringLiteral("Lorvat Mic")
                                                                         : QStringLiteral("IEC 318");
    return QStringLiteral("No grid corrections have been entered for the %1 microphone\n(%2 %3 S/N %4)\n\n"
                          "Press OK to continue the measurement anyway.")
        .arg(kind, manufacturer, displayText(microphone.identity.model),
             displayText(microphone.identity.serialNumber));
}

bool confirmGridCorrections(const TestSetup &setup, TransducerType transducer, PreferenceStore &preferences,
                            Interaction &interaction)
{
    if (transducer != TransducerType::Circumaural || !preferences.readFlag(preference::AskForGrid))
        return true;
    const MicrophoneSlot *microphone = couplerMicrophone(setup, transducer);
    if (!microphone || !gridCorrectionsMissing(*microphone))
        return true;
    bool doNotShowAgain = false;
    const Answer answer = interaction.askWithCheckBox(missingGridQuestion(*microphone), Buttons::OkCancel,
                                                      QStringLiteral("Do not show this dialog again."),
                                                      doNotShowAgain);
    preferences.writeFlag(preference::AskForGrid, !doNotShowAgain);
    return answer != Answer::Cancel;
}

} // namespace tonva
