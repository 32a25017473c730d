#pragma once

#include "model/ui/SetupForm.h"
#include "model/ui/SetupPage.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tonva {

// The audiometer under test: identity, type, calibration dates, FM parameters, channels and the
// transducers it has.
class CTestAudInfoPP : public SetupPage
{
    Q_OBJECT
public:
    explicit CTestAudInfoPP(SetupContext &context, QWidget *parent = nullptr);
    ~CTestAudInfoPP() override;

    void load() override;
    void collect() override;

private:
    QLineEdit *m_manufacturer;
    QLineEdit *m_model;
    QLineEdit *m_serial;
    QComboBox *m_type;
    QLineEdit *m_inventoryNumber;
    std::unique_ptr<setupform::DateFields> m_due;
    std::unique_ptr<setupform::DateFields> m_lastCalibrated;
    QLineEdit *m_fmRate;
    QLineEdit *m_fmDeviation;
    QComboBox *m_channels;
    QComboBox *m_channelToTest;
    QCheckBox *m_transducers[5];
};

} // namespace tonva
