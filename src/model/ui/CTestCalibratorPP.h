#pragma once

#include "model/ui/SetupPage.h"

class QLabel;
class QLineEdit;

namespace tonva {

class InstrumentCombo;

// The calibrator of the test, chosen from the inventory, with its identity, frequency, level and
// calibration due date as they are copied into the test.
class CTestCalibratorPP : public SetupPage
{
    Q_OBJECT
public:
    explicit CTestCalibratorPP(SetupContext &context, QWidget *parent = nullptr);

    void load() override;
    // The choice is written into the working copy as it is made; nothing waits here.
    void collect() override {}

private:
    void showDetails();

    InstrumentCombo *m_calibrator;
    QLineEdit *m_manufacturer;
    QLineEdit *m_model;
    QLineEdit *m_serial;
    QLineEdit *m_due;
    QLineEdit *m_frequency;
    QLineEdit *m_level;
    QLabel *m_dueState;
};

} // namespace tonva
