#include "model/ui/CTestCalibratorPP.h"

#include "model/FixedText.h"
#include "model/TestSetup.h"
#include "model/ui/InstrumentChoice.h"
#include "model/ui/SetupForm.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tonva {

using setupform::numberText;
using setupform::shownField;

CTestCalibratorPP::CTestCalibratorPP(SetupContext &context, QWidget *parent) : SetupPage(context, parent)
{
    setObjectName(QStringLiteral("CTestCalibratorPP"));
    m_calibrator = new InstrumentCombo(context, InstrumentKind::Calibrator, this);
    m_calibrator->setObjectName(QStringLiteral("calibratorCombo"));
    m_manufacturer = shownField("calibratorManufacturer", this);
    m_model = shownField("calibratorModel", this);
    m_serial = shownField("calibratorSerial", this);
    m_due = shownField("calibratorDue", this);
    m_frequency = shownField("calibratorFrequency", this);
    m_level = shownField("calibratorLevel", this);
    m_dueState = new QLabel(this);
    m_dueState->setObjectName(QStringLiteral("calibratorDetails"));

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QStringLiteral("Calibrator"), m_calibrator);
    form->addRow(QStringLiteral("Manufacturer"), m_manufacturer);
    form->addRow(QStringLiteral("Model"), m_model);
    form->addRow(QStringLiteral("Serial Number"), m_serial);
    form->addRow(QStringLiteral("Calibration Due"), m_due);
    form->addRow(QString(), m_dueState);
    form->addRow(QStringLiteral("Frequency (Hz)"), m_frequency);
    form->addRow(QStringLiteral("Level (dB)"), m_level);

    auto *layout = new QVBoxLayout(this);
    addPageHint(*layout,
                QStringLiteral("Select the calibrator used to check the sound level meter for this test."));
    layout->addLayout(form);
    layout->addStretch(1);

    connect(m_calibrator, &InstrumentCombo::slotChanged, this, &CTestCalibratorPP::showDetails);
    m_calibrator->bind(m_context.working.calibrator);
    showDetails();
}

void CTestCalibratorPP::load()
{
    m_calibrator->reload();
    showDetails();
}

void CTestCalibratorPP::showDetails()
{
    const CalibratorData &calibrator = m_context.working.calibrator;
    m_manufacturer->setText(displayText(calibrator.identity.manufacturer));
    m_model->setText(displayText(calibrator.identity.model));
    m_serial->setText(displayText(calibrator.identity.serialNumber));
    m_due->setText(displayText(calibrator.identity.calibrationDue));
    m_frequency->setText(numberText(calibrator.frequency));
    m_level->setText(numberText(calibrator.level));
    showInstrumentDetails(*m_dueState, calibrator.identity, m_context.today);
    // The due date is already in its own field; only the overdue warning is added below it.
    m_dueState->setVisible(m_dueState->property("overdue").toBool());
    m_dueState->setText(QStringLiteral("The calibration of this calibrator is overdue."));
}

} // namespace tonva
