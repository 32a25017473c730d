#include "model/ui/CTestEquipPP.h"

#include "model/TestSetup.h"
#include "model/ui/InstrumentChoice.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tonva {

namespace {

QLabel *detailsLabel(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

CTestEquipPP::CTestEquipPP(SetupContext &context, QWidget *parent) : SetupPage(context, parent)
{
    setObjectName(QStringLiteral("CTestEquipPP"));
    m_meter = new InstrumentCombo(context, InstrumentKind::SoundLevelMeter, this);
    m_meter->setObjectName(QStringLiteral("slmCombo"));
    m_microphone = new InstrumentCombo(context, InstrumentKind::Microphone, this);
    m_microphone->setObjectName(QStringLiteral("microphoneCombo"));
    m_preamplifier = new InstrumentCombo(context, InstrumentKind::Preamplifier, this);
    m_preamplifier->setObjectName(QStringLiteral("preampCombo"));
    m_meterDetails = detailsLabel("slmDetails", this);
    m_microphoneDetails = detailsLabel("microphoneDetails", this);
    m_sensitivity = detailsLabel("micSensitivityLabel", this);
    m_preamplifierDetails = detailsLabel("preampDetails", this);

    auto *grid = new QGridLayout;
    grid->setColumnStretch(2, 1);
    grid->setHorizontalSpacing(12);
    grid->addWidget(new QLabel(QStringLiteral("Sound Level Meter"), this), 0, 0);
    grid->addWidget(m_meter, 0, 1);
    grid->addWidget(m_meterDetails, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Microphone"), this), 1, 0);
    grid->addWidget(m_microphone, 1, 1);
    grid->addWidget(m_microphoneDetails, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Sensitivity"), this), 2, 0);
    grid->addWidget(m_sensitivity, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Preamp"), this), 3, 0);
    grid->addWidget(m_preamplifier, 3, 1);
    grid->addWidget(m_preamplifierDetails, 3, 2);

    auto *layout = new QVBoxLayout(this);
    addPageHint(*layout,
                QStringLiteral("Select the sound level meter, the open-air microphone and the preamp used "
                               "for this test. Their data is copied into the test."));
    layout->addLayout(grid);
    layout->addStretch(1);

    for (InstrumentCombo *combo : {m_meter, m_microphone, m_preamplifier})
        connect(combo, &InstrumentCombo::slotChanged, this, &CTestEquipPP::showDetails);

    TestSetup &setup = m_context.working;
    m_meter->bind(setup.soundLevelMeter);
    m_microphone->bind(setup.couplerMicrophone[0]);
    m_preamplifier->bind(setup.preamplifier);
    showDetails();
}

void CTestEquipPP::load()
{
    for (InstrumentCombo *combo : {m_meter, m_microphone, m_preamplifier})
        combo->reload();
    showDetails();
}

void CTestEquipPP::showDetails()
{
    const TestSetup &setup = m_context.working;
    showInstrumentDetails(*m_meterDetails, setup.soundLevelMeter, m_context.today);
    showInstrumentDetails(*m_microphoneDetails, setup.couplerMicrophone[0].identity, m_context.today);
    showInstrumentDetails(*m_preamplifierDetails, setup.preamplifier, m_context.today);
    m_sensitivity->setText(sensitivityText(setup.couplerMicrophone[0].sensitivity));
}

} // namespace tonva
