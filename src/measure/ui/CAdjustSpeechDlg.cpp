#include "measure/ui/CAdjustSpeechDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tonva {

CAdjustSpeechDlg::CAdjustSpeechDlg(SpeechAdjust &logic, QWidget *parent)
    : LiveReadingDialog(parent), m_logic(logic)
{
    auto *basis = new QGroupBox(QStringLiteral("Select Reading Basis"), this);
    m_oneKilohertz = new QRadioButton(QStringLiteral("1000 Hz Frequency"), basis);
    m_oneKilohertz->setObjectName(QStringLiteral("oneKilohertzBasis"));
    m_overall = new QRadioButton(QStringLiteral("Overall (C Weight)"), basis);
    m_overall->setObjectName(QStringLiteral("overallBasis"));
    (logic.basis() == SpeechAdjustBasis::Overall ? m_overall : m_oneKilohertz)->setChecked(true);
    auto *basisLayout = new QVBoxLayout(basis);
    basisLayout->addWidget(m_oneKilohertz);
    basisLayout->addWidget(m_overall);
    connect(m_oneKilohertz, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseBasis(SpeechAdjustBasis::OneKilohertz);
    });
    connect(m_overall, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseBasis(SpeechAdjustBasis::Overall);
    });

    m_level = valueLabel("levelValue");
    m_hearingLevel = valueLabel("hearingLevelValue");
    auto *values = new QGridLayout;
    values->addWidget(new QLabel(QStringLiteral("SPL"), this), 0, 0);
    values->addWidget(new QLabel(QStringLiteral("dBHL"), this), 0, 1);
    values->addWidget(m_level, 1, 0);
    values->addWidget(m_hearingLevel, 1, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(basis);
    layout->addLayout(values);
    layout->addWidget(buttons);
}

CAdjustSpeechDlg::~CAdjustSpeechDlg() = default;

void CAdjustSpeechDlg::run(SpeechAdjust &logic, QWidget *parent)
{
    if (!logic.prepare())
        return;
    CAdjustSpeechDlg dialog(logic, parent);
    dialog.startReadings();
    dialog.exec();
}

void CAdjustSpeechDlg::chooseBasis(SpeechAdjustBasis basis)
{
    // The shown values belong to the basis they were read on.
    m_level->clear();
    m_hearingLevel->clear();
    if (!m_logic.chooseBasis(basis))
        reject();
}

bool CAdjustSpeechDlg::readOnce()
{
    const SpeechAdjustBasis basis = m_logic.basis();
    const std::optional<SpeechAdjust::Reading> reading = m_logic.tick();
    if (!reading)
        return false;
    // A basis chosen while the meter was read gets its own reading at the next tick.
    if (basis == m_logic.basis()) {
        m_level->setText(reading->level);
        m_hearingLevel->setText(reading->hearingLevel);
    }
    return true;
}

void CAdjustSpeechDlg::accept()
{
    stopReadings();
    m_logic.finish();
    LiveReadingDialog::accept();
}

} // namespace tonva
