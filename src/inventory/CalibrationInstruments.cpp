#include "inventory/CalibrationInstruments.h"

#include "model/FixedText.h"

#include <algorithm>

namespace tonva {

std::vector<MeterCalibration::Calibrator> calibrationCalibrators(const Inventory &inventory)
{
    std::vector<MeterCalibration::Calibrator> calibrators;
    for (const InventoryEntry &entry : inventory.list(InventoryType::Calibrator)) {
        const auto data = entry.bodyAs<CalibratorData>();
        calibrators.push_back({displayText(data.identity.manufacturer), displayText(data.identity.model),
                               displayText(data.identity.serialNumber), data.frequency, data.level});
    }
    return calibrators;
}

std::vector<MeterCalibration::Microphone> calibrationMicrophones(const Inventory &inventory)
{
    std::vector<MeterCalibration::Microphone> microphones;
    for (const InventoryEntry &entry : inventory.list(InventoryType::Microphone)) {
        const auto slot = entry.bodyAs<MicrophoneSlot>();
        MeterCalibration::Microphone microphone{displayText(slot.identity.manufacturer),
                                                displayText(slot.identity.model),
                                                displayText(slot.identity.serialNumber),
                                                {}};
        std::copy(std::begin(slot.response), std::end(slot.response), microphone.response.begin());
        microphones.push_back(std::move(microphone));
    }
    return microphones;
}

} // namespace tonva
