#include "demo/DemoLaboratory.h"

#include "meter/MeterTables.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "model/SetupRules.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <cmath>

namespace tonva::demo {

namespace {

constexpr char kMeterSerial[] = "T-30981";
constexpr char kPreamplifierSerial[] = "PA-5521";
constexpr char kCalibratorSerial[] = "C-11873";
constexpr char kMicrophoneSerial[] = "MK-40962";
constexpr char kMastoidSerial[] = "AM-2217";
constexpr char kOpenAirMicrophoneSerial[] = "MF-51307";
// The set-up keeps the sound-field microphone in the first coupler slot.
constexpr int kOpenAirSlot = 0;
constexpr int kKestinCoupler = 2;

// dB relative to 1 kHz at each test frequency, 31.5 Hz to 20 kHz.
constexpr std::array<float, kFrequencyCount> kMicrophoneResponse = {
    0.05f,  0.03f,  0.02f,  0.02f,  0.01f,  0.01f,  0.01f,  0.01f,  0.0f,  0.0f,  0.0f,   0.0f,  0.0f,
    -0.01f, -0.02f, -0.02f, -0.03f, -0.05f, -0.07f, -0.08f, -0.12f, -0.2f, -0.3f, -0.33f, -0.5f, -0.65f,
    -0.8f,  -1.0f,  -1.05f, -1.2f,  -1.3f,  -1.45f, -1.7f,  -2.0f,  -2.3f, -2.7f, -3.1f,  -3.5f, -4.0f};
// The mastoid's response on the Kestin coupler, dB at each test frequency, 31.5 Hz to 20 kHz.
constexpr std::array<float, kFrequencyCount> kMastoidResponse = {
    0.4f,  0.4f,  0.3f,  0.3f,  0.2f,  0.2f,  0.1f,  0.1f,  0.0f,  0.0f,  0.0f,  0.0f,  0.0f,
    -0.1f, -0.1f, -0.2f, -0.2f, -0.3f, -0.3f, -0.4f, -0.5f, -0.6f, -0.7f, -0.8f, -0.9f, -1.0f,
    -1.1f, -1.2f, -1.3f, -1.4f, -1.5f, -1.6f, -1.7f, -1.8f, -1.9f, -2.0f, -2.1f, -2.2f, -2.3f};
// The protection grid's effect from 9 kHz up.
constexpr std::array<float, kGridFrequencyCount> kGridCorrection = {0.2f, 0.3f, 0.4f, 0.4f, 0.5f, 0.5f, 0.6f,
                                                                    0.8f, 0.9f, 1.1f, 1.3f, 1.5f, 1.8f, 2.1f};

QString calibrationDue(const QDate &today)
{
    return QStringLiteral("%1-06-30").arg(today.year() + 1);
}

InstrumentIdentity identity(const char *manufacturer, const char *model, const char *serial,
                            const QDate &today)
{
    InstrumentIdentity instrument;
    setFixedText(instrument.calibrationDue, calibrationDue(today).toStdString());
    setFixedText(instrument.manufacturer, manufacturer);
    setFixedText(instrument.model, model);
    setFixedText(instrument.serialNumber, serial);
    return instrument;
}

// Every kind's body starts with its identity, so the serial number is found the same way in each.
const InventoryEntry *withSerial(const std::vector<InventoryEntry> &entries, std::string_view serial)
{
    const auto found = std::find_if(entries.begin(), entries.end(), [serial](const InventoryEntry &entry) {
        return fixedText(entry.bodyAs<InstrumentIdentity>().serialNumber) == serial;
    });
    return found == entries.end() ? nullptr : &*found;
}

template<class Body>
bool chooseInstrument(Body &slot, const Inventory &inventory, InventoryType type, std::string_view serial)
{
    const InventoryEntry *entry = withSerial(inventory.list(type), serial);
    if (entry)
        slot = entry->bodyAs<Body>();
    return entry != nullptr;
}

// A half-inch pressure microphone whose response falls off above a few kilohertz, as its
// calibration chart shows.
MicrophoneSlot couplerMicrophone(const QDate &today)
{
    MicrophoneSlot microphone;
    microphone.identity = identity("Mervane", "MPR 12", kMicrophoneSerial, today);
    std::copy(kMicrophoneResponse.begin(), kMicrophoneResponse.end(), std::begin(microphone.response));
    std::copy(kGridCorrection.begin(), kGridCorrection.end(), std::begin(microphone.gridCorrection));
    microphone.sensitivity = 48.6f;
    return microphone;
}

// The open-air microphone that stands at the listener's place for sound-field work.
MicrophoneSlot openAirMicrophone(const QDate &today)
{
    MicrophoneSlot microphone;
    microphone.identity = identity("Mervane", "MFF 12", kOpenAirMicrophoneSerial, today);
    // Flat to 1 kHz, then rising half a decibel per octave as free-field microphones are made to. The
    // meter's bands correct by band, so test frequencies that share a band share a value.
    for (int f = 0; f < kFrequencyCount; ++f) {
        const double centre = meter::kBandCentres[static_cast<std::size_t>(meter::bandOfTestFrequency(f))];
        microphone.response[f] = centre > 1000.0 ? static_cast<float>(0.5 * std::log2(centre / 1000.0)) : 0.0f;
    }
    microphone.sensitivity = 50.2f;
    return microphone;
}

// An artificial mastoid of the meter's maker: it holds the bone vibrator on the earphones' coupler
// microphone, so bone readings need no force calibration.
MastoidData artificialMastoid(const QDate &today)
{
    MastoidData mastoid;
    mastoid.identity = identity("Mervane", "AMS 5", kMastoidSerial, today);
    mastoid.sensitivity = 1.0f;
    // Its chart on the Kestin coupler: flat within a decibel, falling off at the top.
    std::copy(kMastoidResponse.begin(), kMastoidResponse.end(), std::begin(mastoid.kestinResponse));
    return mastoid;
}

} // namespace

bool addInstruments(InstrumentInventory &inventory)
{
    const QDate today = QDate::currentDate();
    CalibratorData calibrator;
    calibrator.identity = identity("Mervane", "CAL 94", kCalibratorSerial, today);
    calibrator.frequency = 1000.0f;
    calibrator.level = 114.0f;

    struct Instrument
    {
        InstrumentKind kind;
        const char *serial;
        InventoryEntry entry;
    };
    const Instrument instruments[] = {
        {InstrumentKind::SoundLevelMeter, kMeterSerial,
         makeInventoryEntry(InventoryType::SoundLevelMeter,
                            identity("Mervane", "Trellan", kMeterSerial, today))},
        {InstrumentKind::Preamplifier, kPreamplifierSerial,
         makeInventoryEntry(InventoryType::Preamplifier,
                            identity("Mervane", "PRA 7", kPreamplifierSerial, today))},
        {InstrumentKind::Calibrator, kCalibratorSerial,
         makeInventoryEntry(InventoryType::Calibrator, calibrator)},
        {InstrumentKind::Microphone, kMicrophoneSerial,
         makeInventoryEntry(InventoryType::Microphone, couplerMicrophone(today))},
        {InstrumentKind::Mastoid, kMastoidSerial,
         makeInventoryEntry(InventoryType::Mastoid, artificialMastoid(today))},
        {InstrumentKind::Microphone, kOpenAirMicrophoneSerial,
         makeInventoryEntry(InventoryType::Microphone, openAirMicrophone(today))},
    };
    for (const Instrument &instrument : instruments) {
        if (!withSerial(inventory.list(instrument.kind), instrument.serial) &&
            inventory.AddInstrument(instrument.kind, instrument.entry) < 0)
            return false;
    }
    return true;
}

bool setUpTest(AudTestRecord &record, const Inventory &inventory, PreferenceStore &preferences,
               Interaction &interaction, const QDate &today)
{
    TestSetup setup = record.setup;
    setFixedText(setup.technician, kTechnician);
    setFixedText(setup.customerName, "Riverside Hearing Clinic");
    setFixedText(setup.location1, "Room 2");
    setFixedText(setup.audiometerManufacturer, "Aldero");
    setFixedText(setup.audiometerModel, kAudiometerModel);
    setFixedText(setup.audiometerSerialNumber, kAudiometerSerial);
    setFixedText(setup.audiometerType, "1");
    setFixedText(setup.audiometerCalibrationDue, calibrationDue(today).toStdString());
    setup.channelCount = 2;
    setup.channelToTest = 1;
    setup.fmRate = 5.0f;
    setup.fmDeviation = 10.0f;
    setup.transducerOptions.transducerAvailable[static_cast<int>(TransducerType::SupraAural)] = 1;
    setup.transducerOptions.transducerAvailable[static_cast<int>(TransducerType::BoneVibrator)] = 1;
    setFixedText(setup.boneVibrator.manufacturer, "Aldero");
    setFixedText(setup.boneVibrator.model, "BV 71");
    setFixedText(setup.boneVibrator.serialNumber, "BV-30551");
    setup.transducerOptions.transducerAvailable[static_cast<int>(TransducerType::Speakers)] = 1;
    setFixedText(setup.leftSpeaker.manufacturer, "Aldero");
    setFixedText(setup.leftSpeaker.model, "FS 20");
    setFixedText(setup.leftSpeaker.serialNumber, "FS-11802");
    setFixedText(setup.rightSpeaker.manufacturer, "Aldero");
    setFixedText(setup.rightSpeaker.model, "FS 20");
    setFixedText(setup.rightSpeaker.serialNumber, "FS-11803");
    SetDefaultFrequencies(setup);
    setup.temperature = 22.5f;
    setup.humidity = 45;
    setup.pressure = 101.3f;

    const bool instrumentsFound =
        chooseInstrument(setup.soundLevelMeter, inventory, InventoryType::SoundLevelMeter, kMeterSerial) &&
        chooseInstrument(setup.preamplifier, inventory, InventoryType::Preamplifier, kPreamplifierSerial) &&
        chooseInstrument(setup.calibrator, inventory, InventoryType::Calibrator, kCalibratorSerial) &&
        chooseInstrument(setup.mastoid, inventory, InventoryType::Mastoid, kMastoidSerial);
    setup.transducerOptions.mastoidCouplerCode = kKestinCoupler;
    if (!instrumentsFound) {
        interaction.message(QStringLiteral("The demo instruments are missing from the inventory."));
        return false;
    }

    {
        EarphonePage earphones(EarphonePage::Kind::SupraAural, setup, inventory, preferences, interaction);
        earphones.changeCoupler(kKestinCoupler);
        const int tdh39 = static_cast<int>(earphones.modelNames().indexOf(QStringLiteral("TDH 39")));
        if (tdh39 < 0) {
            interaction.message(QStringLiteral("The TDH 39 earphone is not in the list of earphones."));
            return false;
        }
        earphones.choose(tdh39);
        earphones.setSerialNumbers(QStringLiteral("TL-88120"), QStringLiteral("TR-88121"));
    }
    MicrophoneSlot &microphone = setup.couplerMicrophone[kKestinCoupler];
    if (!chooseInstrument(microphone, inventory, InventoryType::Microphone, kMicrophoneSerial) ||
        !chooseInstrument(setup.couplerMicrophone[kOpenAirSlot], inventory, InventoryType::Microphone,
                          kOpenAirMicrophoneSerial)) {
        interaction.message(QStringLiteral("The demo microphone is missing from the inventory."));
        return false;
    }

    if (!ValidateAudiometer(setup, interaction, today.year()))
        return false;
    record.setup = setup;
    return true;
}

} // namespace tonva::demo
