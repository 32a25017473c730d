#include "model/ui/CTestAudBonePP.h"

#include "model/FixedText.h"
#include "model/TestSetup.h"
#include "model/ui/SetupForm.h"

#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tonva {

using setupform::textField;

CTestAudBonePP::CTestAudBonePP(SetupContext &context, QWidget *parent) : SetupPage(context, parent)
{
    setObjectName(QStringLiteral("CTestAudBonePP"));
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(QStringLiteral("Bone Vibrator"), this);
    heading->setObjectName(QStringLiteral("titleLabel"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    auto *box = new QGroupBox(this);
    auto *form = new QFormLayout(box);
    const BoneVibratorData &bone = m_context.working.boneVibrator;
    m_manufacturer = textField("manufacturerEdit", int(sizeof bone.manufacturer) - 1, box);
    m_model = textField("modelEdit", int(sizeof bone.model) - 1, box);
    m_serial = textField("serialEdit", int(sizeof bone.serialNumber) - 1, box);
    form->addRow(QStringLiteral("Manufacturer"), m_manufacturer);
    form->addRow(QStringLiteral("Model"), m_model);
    form->addRow(QStringLiteral("Serial Number"), m_serial);
    layout->addWidget(box);
    layout->addStretch(1);

    // Filled at once, so a page that is collected before anyone loads it writes back what it holds.
    CTestAudBonePP::load();
}

void CTestAudBonePP::load()
{
    const BoneVibratorData &bone = m_context.working.boneVibrator;
    m_manufacturer->setText(displayText(bone.manufacturer));
    m_model->setText(displayText(bone.model));
    m_serial->setText(displayText(bone.serialNumber));
}

void CTestAudBonePP::collect()
{
    BoneVibratorData &bone = m_context.working.boneVibrator;
    setupform::collectText(bone.manufacturer, m_manufacturer);
    setupform::collectText(bone.model, m_model);
    setupform::collectText(bone.serialNumber, m_serial);
}

} // namespace tonva
