#include "model/ui/CTestAudInfoPP.h"

#include "model/TestKinds.h"
#include "model/TestSetup.h"
#include "model/ui/InstrumentChoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

namespace tonva {

using namespace setupform;

namespace {

struct TransducerBox
{
    TransducerType type;
    const char *name;
    const char *label;
};

// In the order the summary view lists the transducers.
constexpr TransducerBox kTransducerBoxes[] = {
    {TransducerType::SupraAural, "supraAuralCheck", "Supra-aural Earphones"},
    {TransducerType::BoneVibrator, "boneVibratorCheck", "Bone Vibrator"},
    {TransducerType::Speakers, "speakersCheck", "Speakers"},
    {TransducerType::InsertEarphone, "insertCheck", "Insert Earphones"},
    {TransducerType::Circumaural, "circumauralCheck", "Circumaural Earphones"},
};

// A 1-based choice stored as a number: the list shows it when it is one of the list's.
int listIndexOf(int stored, const QComboBox *combo)
{
    return stored >= 1 && stored <= combo->count() ? stored - 1 : -1;
}

} // namespace

CTestAudInfoPP::CTestAudInfoPP(SetupContext &context, QWidget *parent) : SetupPage(context, parent)
{
    setObjectName(QStringLiteral("CTestAudInfoPP"));
    m_manufacturer = textField("manufacturerEdit", 25, this);
    m_model = textField("modelEdit", 15, this);
    m_serial = textField("serialEdit", 12, this);
    m_type = comboBox("typeCombo",
                      {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                       QStringLiteral("5")},
                      this);
    m_inventoryNumber = textField("inventoryEdit", 15, this);
    m_due = std::make_unique<DateFields>("due", this);
    m_lastCalibrated = std::make_unique<DateFields>("lastCalibrated", this);
    m_fmRate = textField("fmRateEdit", 12, this);
    m_fmDeviation = textField("fmDeviationEdit", 12, this);
    m_channels = comboBox("channelsCombo", {QStringLiteral("1"), QStringLiteral("2")}, this);
    m_channelToTest = comboBox("channelToTestCombo", {QStringLiteral("1"), QStringLiteral("2")}, this);
    for (QComboBox *combo : {m_type, m_channels, m_channelToTest}) {
        // A list of one-digit numbers needs no more room than its widest entry.
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        combo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    for (QLineEdit *edit : {m_fmRate, m_fmDeviation})
        edit->setMaximumWidth(90);

    auto *identity = new QFormLayout;
    identity->addRow(QStringLiteral("Manufacturer"), m_manufacturer);
    identity->addRow(QStringLiteral("Model"), m_model);
    identity->addRow(QStringLiteral("Serial Number"), m_serial);
    identity->addRow(QStringLiteral("Audiometer Type"), m_type);
    identity->addRow(QStringLiteral("Inventory Number"), m_inventoryNumber);
    identity->addRow(QStringLiteral("Calibration Due"), m_due->widget());
    identity->addRow(QStringLiteral("Date Last Calibrated"), m_lastCalibrated->widget());

    auto *fm = new QGroupBox(QStringLiteral("Frequency Modulation"), this);
    auto *fmForm = new QFormLayout(fm);
    fmForm->addRow(QStringLiteral("Modulation Rate (Hz)"), m_fmRate);
    fmForm->addRow(QStringLiteral("Frequency Deviation (%)"), m_fmDeviation);

    auto *channels = new QGroupBox(QStringLiteral("Channels"), this);
    auto *channelForm = new QFormLayout(channels);
    channelForm->addRow(QStringLiteral("Number of Channels"), m_channels);
    channelForm->addRow(QStringLiteral("Channel to Test"), m_channelToTest);

    auto *transducers = new QGroupBox(QStringLiteral("Transducers on this Audiometer"), this);
    auto *transducerColumn = new QVBoxLayout(transducers);
    for (const TransducerBox &box : kTransducerBoxes) {
        auto *check = new QCheckBox(QLatin1String(box.label), transducers);
        check->setObjectName(QLatin1String(box.name));
        m_transducers[static_cast<int>(box.type)] = check;
        transducerColumn->addWidget(check);
    }

    auto *right = new QVBoxLayout;
    right->addWidget(fm);
    right->addWidget(channels);
    right->addWidget(transducers);
    right->addStretch(1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(identity, 3);
    columns->addSpacing(16);
    columns->addLayout(right, 2);
    auto *layout = new QVBoxLayout(this);
    addPageHint(*layout,
                QStringLiteral("The audiometer under test, its channels and the transducers it has."));
    layout->addLayout(columns);
    layout->addStretch(1);
}

CTestAudInfoPP::~CTestAudInfoPP() = default;

void CTestAudInfoPP::load()
{
    const TestSetup &setup = m_context.working;
    loadText(m_manufacturer, setup.audiometerManufacturer);
    loadText(m_model, setup.audiometerModel);
    loadText(m_serial, setup.audiometerSerialNumber);
    m_type->setCurrentIndex(listIndexOf(displayText(setup.audiometerType).trimmed().toInt(), m_type));
    loadText(m_inventoryNumber, setup.audiometerInventoryNumber);
    m_due->load(setup.audiometerCalibrationDue);
    m_lastCalibrated->load(setup.audiometerLastCalibrated);
    loadNumber(m_fmRate, setup.fmRate);
    loadNumber(m_fmDeviation, setup.fmDeviation);
    // A new test has no channels yet: one channel is proposed, and kept if the technician agrees.
    m_channels->setCurrentIndex(std::max(listIndexOf(setup.channelCount, m_channels), 0));
    m_channelToTest->setCurrentIndex(std::max(listIndexOf(setup.channelToTest, m_channelToTest), 0));
    for (int type = 0; type < kTransducerTypes; ++type)
        m_transducers[type]->setChecked(setup.transducerOptions.transducerAvailable[type] != 0);
}

void CTestAudInfoPP::collect()
{
    TestSetup &setup = m_context.working;
    collectText(setup.audiometerManufacturer, m_manufacturer);
    collectText(setup.audiometerModel, m_model);
    collectText(setup.audiometerSerialNumber, m_serial);
    if (m_type->currentIndex() >= 0 &&
        m_type->currentIndex() != listIndexOf(displayText(setup.audiometerType).trimmed().toInt(), m_type))
        setFixedText(setup.audiometerType, std::to_string(m_type->currentIndex() + 1));
    collectText(setup.audiometerInventoryNumber, m_inventoryNumber);
    m_due->collect(setup.audiometerCalibrationDue);
    m_lastCalibrated->collect(setup.audiometerLastCalibrated);
    collectNumber(setup.fmRate, m_fmRate);
    collectNumber(setup.fmDeviation, m_fmDeviation);
    if (m_channels->currentIndex() != listIndexOf(setup.channelCount, m_channels))
        setup.channelCount = std::int16_t(m_channels->currentIndex() + 1);
    if (m_channelToTest->currentIndex() != listIndexOf(setup.channelToTest, m_channelToTest))
        setup.channelToTest = std::int16_t(m_channelToTest->currentIndex() + 1);
    std::int16_t *available = setup.transducerOptions.transducerAvailable;
    for (int type = 0; type < kTransducerTypes; ++type) {
        if (m_transducers[type]->isChecked() != (available[type] != 0))
            available[type] = m_transducers[type]->isChecked() ? 1 : 0;
    }
}

} // namespace tonva
