#pragma once

#include "model/ui/SetupPage.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QLabel;
class QTableWidget;

namespace tonva {

class InstrumentCombo;

// The artificial mastoid of the test, chosen from the inventory, with its data as copied into the
// test; the coupler it is used on and the coupler microphone that calibrated the meter for bone work.
class CTestMastoidPP : public SetupPage
{
    Q_OBJECT
public:
    explicit CTestMastoidPP(SetupContext &context, QWidget *parent = nullptr);

    void load() override;
    // Every choice is written into the working copy as it is made; nothing waits here.
    void collect() override {}

private:
    void showDetails();
    void fillCalibrationMicrophones();
    void showCoupler();

    InstrumentCombo *m_mastoid;
    QLabel *m_details;
    QLineEdit *m_manufacturer;
    QLineEdit *m_model;
    QLineEdit *m_serial;
    QLineEdit *m_due;
    QLineEdit *m_sensitivity;
    QLineEdit *m_kestinSensitivity;
    QLineEdit *m_lorvatSensitivity;
    QLineEdit *m_pendrySensitivity;
    QTableWidget *m_responses;
    QButtonGroup *m_couplers;
    QComboBox *m_calibrationMicrophone;
};

} // namespace tonva
