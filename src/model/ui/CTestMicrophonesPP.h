#pragma once

#include "model/TestSetup.h"
#include "model/ui/SetupPage.h"

#include <array>

class QLabel;

namespace tonva {

class InstrumentCombo;

// One inventory microphone per coupler: the measurements, the required-equipment check, the
// certificate and the reports read the microphone of the coupler in use from these slots.
class CTestMicrophonesPP : public SetupPage
{
    Q_OBJECT
public:
    explicit CTestMicrophonesPP(SetupContext &context, QWidget *parent = nullptr);

    void load() override;
    // Choices are written into the working copy as they are made; nothing waits here.
    void collect() override {}

private:
    void showDetails(int slot);

    std::array<InstrumentCombo *, kCouplerMicrophoneSlots> m_combos{};
    std::array<QLabel *, kCouplerMicrophoneSlots> m_sensitivities{};
    std::array<QLabel *, kCouplerMicrophoneSlots> m_details{};
};

} // namespace tonva
