#pragma once

#include "model/ui/SetupPage.h"

class QLabel;

namespace tonva {

class InstrumentCombo;

// The sound level meter, the open-air microphone with its sensitivity and the preamplifier of the
// test, each chosen from the inventory.
class CTestEquipPP : public SetupPage
{
    Q_OBJECT
public:
    explicit CTestEquipPP(SetupContext &context, QWidget *parent = nullptr);

    void load() override;
    // Choices are written into the working copy as they are made, so collecting this page can
    // never put back an open-air microphone the microphones page changed since.
    void collect() override {}

private:
    void showDetails();

    InstrumentCombo *m_meter;
    InstrumentCombo *m_microphone;
    InstrumentCombo *m_preamplifier;
    QLabel *m_meterDetails;
    QLabel *m_microphoneDetails;
    QLabel *m_sensitivity;
    QLabel *m_preamplifierDetails;
};

} // namespace tonva
