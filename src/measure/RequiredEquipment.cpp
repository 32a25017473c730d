#include "measure/RequiredEquipment.h"

#include "measure/CouplerCorrection.h"
#include "model/FixedText.h"
#include "platform/Interaction.h"

#include <cctype>

namespace tonva {

namespace {

const char *const kCalibrationDialogIntro =
    "Unable to bring up calibration dialog because not all required equipment has\nbeen selected in the "
    "Equipment Setup window.\n\nTo go to Equipment Setup, go back to the measurement summary window\n(click "
    "OK or Cancel in the measurement window to get there) then click on\nthe 'Go To Equipment Setup' "
    "button.\n\nIn Equipment Setup make selections for the following:\n\n";
const char *const kMeasurementIntro =
    "Unable to perform measurement because not all required equipment has been\nselected or not all "
    "required data has been entered in the Equipment Setup window.\n\nTo go to Equipment Setup, go back to "
    "the measurement summary window\n(click OK or Cancel in the measurement window to get there) then click "
    "on\nthe 'Go To Equipment Setup' button.\n\nIn Equipment Setup make selections for the following:\n\n";

template<std::size_t N> bool entered(const char (&field)[N])
{
    return !trimmedText(fixedText(field)).empty();
}

// An instrument copied from the inventory always carries its serial number; a blank one means none
// was chosen.
bool selected(const InstrumentIdentity &identity)
{
    return entered(identity.serialNumber);
}

// Mervane's mastoid sits on a level (microphone) coupler; any other make is a force coupler whose
// correction needs the two sensitivities.
bool mastoidOnLevelCoupler(const MastoidData &mastoid)
{
    const std::string_view maker = trimmedText(fixedText(mastoid.identity.manufacturer));
    return !maker.empty() && std::toupper(static_cast<unsigned char>(maker.front())) == 'M';
}

const MicrophoneSlot *microphoneInSlot(const TestSetup &setup, int couplerCode)
{
    if (couplerCode < 0 || couplerCode >= kCouplerMicrophoneSlots)
        return nullptr;
    return &setup.couplerMicrophone[couplerCode];
}

bool hasMicrophone(const TestSetup &setup, int couplerCode)
{
    const MicrophoneSlot *microphone = microphoneInSlot(setup, couplerCode);
    return microphone && selected(microphone->identity);
}

bool speakerEntered(const SpeakerData &speaker)
{
    return entered(speaker.manufacturer) || entered(speaker.model) || entered(speaker.serialNumber);
}

void addEarphoneItem(QStringList &missing, const EarphoneSlot &earphone, TransducerType transducer, Ear ear)
{
    const bool left = entered(earphone.leftSerialNumber);
    const bool right = entered(earphone.rightSerialNumber);
    if (transducer == TransducerType::Circumaural) {
        // The circumaural check never names both sides: any ear but the left reports the right one.
        if (ear == Ear::Left && !left)
            missing << QStringLiteral("    Left Circumaural Earphone (may be missing serial number)\n");
        else if (ear != Ear::Left && !(right && (ear == Ear::Right || left)))
            missing << QStringLiteral("    Right Circumaural Earphone (may be missing serial number)\n");
        return;
    }
    const QString name =
        transducer == TransducerType::SupraAural ? QStringLiteral("Supra-aural") : QStringLiteral("Insert");
    if (ear == Ear::Left && !left)
        missing << QStringLiteral("    Left %1 Earphone (may be missing serial number)\n").arg(name);
    else if (ear == Ear::Right && !right)
        missing << QStringLiteral("    Right %1 Earphone (may be missing serial number)\n").arg(name);
    else if (ear == Ear::Both && !(left && right))
        missing << QStringLiteral("    Left and/or Right %1 Earphone (may be missing serial numbers)\n")
                       .arg(name);
}

void addSpeakerItem(QStringList &missing, const TestSetup &setup, Ear ear)
{
    const bool left = speakerEntered(setup.leftSpeaker);
    const bool right = speakerEntered(setup.rightSpeaker);
    if (ear == Ear::Left && !left)
        missing << QStringLiteral("    Left Speaker\n");
    else if (ear == Ear::Right && !right)
        missing << QStringLiteral("    Right Speaker\n");
    else if (ear == Ear::Both && !(left && right))
        missing << QStringLiteral("    Left and/or Right Speaker\n");
}

} // namespace

QStringList MissingEquipment(int transducer, const AudTestRecord &record, Ear ear)
{
    const TestSetup &setup = record.setup;
    const bool calibrationDialog = transducer == kCalibrationDialogEquipment;
    const auto type = static_cast<TransducerType>(transducer);
    const bool bone = type == TransducerType::BoneVibrator;
    const bool speakers = type == TransducerType::Speakers;
    const EarphoneSlot *earphone = calibrationDialog ? nullptr : earphoneSlot(setup, type);
    const bool levelBone = bone && mastoidOnLevelCoupler(setup.mastoid);
    const bool forceBone = bone && !levelBone;

    int couplerInUse = 0; // the open-air microphone serves the speakers and the calibration dialog
    if (earphone)
        couplerInUse = earphone->couplerCode;
    else if (bone)
        couplerInUse = setup.transducerOptions.mastoidCouplerCode;

    QStringList missing;
    if (!selected(setup.soundLevelMeter))
        missing << QStringLiteral("    SLM\n");
    if ((earphone || speakers || levelBone) && !selected(setup.preamplifier))
        missing << QStringLiteral("    Preamp\n");
    if ((earphone || speakers || calibrationDialog || levelBone) && !hasMicrophone(setup, couplerInUse))
        missing << QStringLiteral("    Mic\n");
    if (calibrationDialog && !selected(setup.calibrator.identity))
        missing << QStringLiteral("    Calibrator\n");
    if (bone && !selected(setup.mastoid.identity))
        missing << QStringLiteral("    Mastoid\n");
    if (calibrationDialog)
        return missing;

    if (!entered(setup.audiometerManufacturer) && !entered(setup.audiometerModel) &&
        !entered(setup.audiometerSerialNumber))
        missing << QStringLiteral("    Audiometer\n");
    if (earphone)
        addEarphoneItem(missing, *earphone, type, ear);
    if (bone && !entered(setup.boneVibrator.manufacturer) && !entered(setup.boneVibrator.model) &&
        !entered(setup.boneVibrator.serialNumber))
        missing << QStringLiteral("    Bone Vibrator\n");
    if (speakers)
        addSpeakerItem(missing, setup, ear);
    if (forceBone) {
        const int slot = setup.transducerOptions.calibrationMicrophoneSlot;
        const MicrophoneSlot *calibrationMicrophone = slot > 0 ? microphoneInSlot(setup, slot) : nullptr;
        if (calibrationMicrophone && calibrationMicrophone->sensitivity == 0.0f)
            missing << QStringLiteral("    Calibration Microphone Sensitivity\n");
        if (!(setup.mastoid.sensitivity > 0.0f))
            missing << QStringLiteral("    Mastoid Sensitivity\n");
        if (!calibrationMicrophone)
            missing << QStringLiteral("    Calibration Microphone\n");
    }
    return missing;
}

bool CheckRequiredEquipment(int transducer, const AudTestRecord &record, Ear ear, Interaction &interaction)
{
    const QStringList missing = MissingEquipment(transducer, record, ear);
    if (missing.isEmpty())
        return true;
    const char *intro =
        transducer == kCalibrationDialogEquipment ? kCalibrationDialogIntro : kMeasurementIntro;
    interaction.message(QString::fromLatin1(intro) + missing.join(QString()));
    return false;
}

} // namespace tonva
