#pragma once

#include "model/ui/SetupPage.h"

class QLineEdit;

namespace tonva {

// The bone vibrator of the test: manufacturer, model and serial number.
class CTestAudBonePP final : public SetupPage
{
    Q_OBJECT
public:
    explicit CTestAudBonePP(SetupContext &context, QWidget *parent = nullptr);

    void load() override;
    void collect() override;

private:
    QLineEdit *m_manufacturer = nullptr;
    QLineEdit *m_model = nullptr;
    QLineEdit *m_serial = nullptr;
};

} // namespace tonva
