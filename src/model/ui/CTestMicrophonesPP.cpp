#include "model/ui/CTestMicrophonesPP.h"

#include "model/ui/InstrumentChoice.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tonva {

CTestMicrophonesPP::CTestMicrophonesPP(SetupContext &context, QWidget *parent) : SetupPage(context, parent)
{
    setObjectName(QStringLiteral("CTestMicrophonesPP"));
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setColumnStretch(3, 1);
    grid->addWidget(new QLabel(QStringLiteral("<b>Coupler</b>"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("<b>Microphone</b>"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("<b>Sensitivity</b>"), this), 0, 2);
    for (int slot = 0; slot < kCouplerMicrophoneSlots; ++slot) {
        auto *combo = new InstrumentCombo(context, InstrumentKind::Microphone, this);
        combo->setObjectName(QStringLiteral("micSlot%1Combo").arg(slot));
        auto *sensitivity = new QLabel(this);
        sensitivity->setObjectName(QStringLiteral("micSlot%1Sensitivity").arg(slot));
        auto *details = new QLabel(this);
        details->setObjectName(QStringLiteral("micSlot%1Details").arg(slot));
        auto *name = new QLabel(microphoneSlotName(slot), this);
        name->setBuddy(combo);
        grid->addWidget(name, slot + 1, 0);
        grid->addWidget(combo, slot + 1, 1);
        grid->addWidget(sensitivity, slot + 1, 2);
        grid->addWidget(details, slot + 1, 3);
        m_combos[std::size_t(slot)] = combo;
        m_sensitivities[std::size_t(slot)] = sensitivity;
        m_details[std::size_t(slot)] = details;
        connect(combo, &InstrumentCombo::slotChanged, this, [this, slot] { showDetails(slot); });
        combo->bind(m_context.working.couplerMicrophone[slot]);
        showDetails(slot);
    }

    auto *layout = new QVBoxLayout(this);
    addPageHint(
        *layout,
        QStringLiteral("Select the microphone used in each coupler. A measurement uses the microphone "
                       "of the coupler its transducer is measured in; the open-air microphone serves the "
                       "speakers and the meter calibration."));
    layout->addLayout(grid);
    layout->addStretch(1);
}

void CTestMicrophonesPP::load()
{
    for (int slot = 0; slot < kCouplerMicrophoneSlots; ++slot) {
        m_combos[std::size_t(slot)]->reload();
        showDetails(slot);
    }
}

void CTestMicrophonesPP::showDetails(int slot)
{
    const MicrophoneSlot &microphone = m_context.working.couplerMicrophone[slot];
    m_sensitivities[std::size_t(slot)]->setText(sensitivityText(microphone.sensitivity));
    showInstrumentDetails(*m_details[std::size_t(slot)], microphone.identity, m_context.today);
}

} // namespace tonva
