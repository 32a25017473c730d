#include "model/ui/CTestAudFreqPP.h"

#include "model/ReferenceData.h"
#include "model/SetupRules.h"
#include "model/TestSetup.h"
#include "model/ui/InstrumentChoice.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

namespace {

constexpr int kLowFrequencyCount = kLastConventionalFrequency + 1; // up to 8000 Hz
constexpr int kRowsPerColumn = 9;

} // namespace

CTestAudFrequencyPage::CTestAudFrequencyPage(SetupContext &context, int first, int count, QWidget *parent)
    : SetupPage(context, parent), m_first(first)
{
    auto *group = new QGroupBox(QStringLiteral("Frequencies available on the audiometer"), this);
    auto *grid = new QGridLayout(group);
    for (int i = 0; i < count; ++i) {
        const int index = first + i;
        auto *box = new QCheckBox(QStringLiteral("%1 Hz").arg(frequencyLabel(index).trimmed()), group);
        box->setObjectName(QStringLiteral("frequency_%1").arg(index));
        grid->addWidget(box, i % kRowsPerColumn, i / kRowsPerColumn);
        m_boxes.push_back(box);
    }
    auto *layout = new QVBoxLayout(this);
    addPageHint(*layout, QStringLiteral("Tick every frequency the audiometer offers."));
    layout->addWidget(group);
}

void CTestAudFrequencyPage::load()
{
    const TestSetup &setup = m_context.working;
    for (std::size_t i = 0; i < m_boxes.size(); ++i)
        m_boxes[i]->setChecked(setup.frequencyAvailable[m_first + int(i)] == 1);
}

void CTestAudFrequencyPage::collect()
{
    TestSetup &setup = m_context.working;
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        std::int32_t &flag = setup.frequencyAvailable[m_first + int(i)];
        if (m_boxes[i]->isChecked() != (flag == 1))
            flag = m_boxes[i]->isChecked() ? 1 : 0;
    }
}

CTestAudFreqPP::CTestAudFreqPP(SetupContext &context, QWidget *parent)
    : CTestAudFrequencyPage(context, 0, kLowFrequencyCount, parent)
{
    setObjectName(QStringLiteral("CTestAudFreqPP"));
    auto *defaults = new QPushButton(QStringLiteral("Set to Default Frequencies"), this);
    defaults->setObjectName(QStringLiteral("defaultFrequenciesButton"));
    connect(defaults, &QPushButton::clicked, this, &CTestAudFreqPP::setDefaultFrequencies);
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    layout->addWidget(defaults, 0, Qt::AlignLeft);
    layout->addStretch(1);
}

void CTestAudFreqPP::setDefaultFrequencies()
{
    // What the technician ticked or unticked so far counts; the defaults only add to it.
    collect();
    SetDefaultFrequencies(m_context.working);
    load();
}

CTestAudHFreqPP::CTestAudHFreqPP(SetupContext &context, QWidget *parent)
    : CTestAudFrequencyPage(context, kLowFrequencyCount, kFrequencyCount - kLowFrequencyCount, parent)
{
    setObjectName(QStringLiteral("CTestAudHFreqPP"));
    static_cast<QVBoxLayout *>(layout())->addStretch(1);
}

} // namespace tonva
