#pragma once

#include "model/ui/SetupPage.h"

class QLineEdit;

namespace tonva {

// For whom and where the audiometer is tested.
class CTestLocationPP : public SetupPage
{
    Q_OBJECT
public:
    explicit CTestLocationPP(SetupContext &context, QWidget *parent = nullptr);

    void load() override;
    void collect() override;

private:
    QLineEdit *m_customer;
    QLineEdit *m_location1;
    QLineEdit *m_location2;
};

} // namespace tonva
