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
    // Choices are written into the working copy as they are made; nothing waits here.
    void collect() override {}

protected:
    // Another page (the microphones) may have changed a slot this page shows.
    void showEvent(QShowEvent *event) override;

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
