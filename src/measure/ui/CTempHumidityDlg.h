#pragma once

#include "measure/TestConditions.h"
#include "model/TestSetup.h"
#include "platform/Interaction.h"

#include <QDialog>

class QLineEdit;

namespace tonva {

// "Temperature / Humidity": the conditions of the test, which the mastoid correction needs. OK asks
// checkTestConditions() for its verdict; a refusal is shown as a message and the dialog stays open
// with what was typed, so nothing entered is lost to a typing slip.
class CTempHumidityDlg : public QDialog
{
    Q_OBJECT
public:
    CTempHumidityDlg(const TestConditions &proposed, Interaction &interaction, QWidget *parent = nullptr);

    // Opens the dialog with `conditions` proposed. True when the technician pressed OK on values that
    // passed the checks; only then does `conditions` receive them.
    static bool run(TestConditions &conditions, Interaction &interaction, QWidget *parent);
    // The same on the conditions kept in a test's set-up (the sheet's Humidity/Temp button).
    static bool run(TestSetup &setup, Interaction &interaction, QWidget *parent);

    // The values accepted by the last OK; the proposed ones until then.
    const TestConditions &conditions() const { return m_conditions; }

    void accept() override;

private:
    Interaction &m_interaction;
    TestConditions m_conditions;
    QLineEdit *m_temperature;
    QLineEdit *m_pressure;
    QLineEdit *m_humidity;
};

} // namespace tonva
