#include "model/ui/CTestMastoidPP.h"

#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "model/TestSetup.h"
#include "model/ui/InstrumentChoice.h"
#include "model/ui/SetupForm.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tonva {

using setupform::numberText;
using setupform::shownField;

namespace {

struct CouplerButton
{
    const char *name;
    const char *label;
    int code;
};
constexpr CouplerButton kCouplerButtons[] = {
    {"kestinButton", "Kestin   (IEC 60318-3)", 2},
    {"lorvatButton", "Lorvat   (IEC 60318-1)", 1},
    {"pendryButton", "Pendry   (IEC 60318-1)", 6},
};

} // namespace

CTestMastoidPP::CTestMastoidPP(SetupContext &context, QWidget *parent) : SetupPage(context, parent)
{
    setObjectName(QStringLiteral("CTestMastoidPP"));
    m_mastoid = new InstrumentCombo(context, InstrumentKind::Mastoid, this);
    m_mastoid->setObjectName(QStringLiteral("mastoidCombo"));
    m_details = new QLabel(this);
    m_details->setObjectName(QStringLiteral("mastoidDetails"));
    m_manufacturer = shownField("mastoidManufacturer", this);
    m_model = shownField("mastoidModel", this);
    m_serial = shownField("mastoidSerial", this);
    m_due = shownField("mastoidDue", this);
    m_sensitivity = shownField("mastoidSensitivity", this);
    m_kestinSensitivity = shownField("kestinSensitivity", this);
    m_lorvatSensitivity = shownField("lorvatSensitivity", this);
    m_pendrySensitivity = shownField("pendrySensitivity", this);

    auto *identity = new QFormLayout;
    identity->addRow(QStringLiteral("Mastoid"), m_mastoid);
    identity->addRow(QString(), m_details);
    identity->addRow(QStringLiteral("Manufacturer"), m_manufacturer);
    identity->addRow(QStringLiteral("Model"), m_model);
    identity->addRow(QStringLiteral("Serial Number"), m_serial);
    identity->addRow(QStringLiteral("Calibration Due"), m_due);
    identity->addRow(QStringLiteral("Sensitivity"), m_sensitivity);
    identity->addRow(QStringLiteral("Kestin Sensitivity"), m_kestinSensitivity);
    identity->addRow(QStringLiteral("Lorvat Sensitivity"), m_lorvatSensitivity);
    identity->addRow(QStringLiteral("Pendry Sensitivity"), m_pendrySensitivity);

    auto *couplerBox = new QGroupBox(QStringLiteral("Coupler"), this);
    auto *couplerLayout = new QVBoxLayout(couplerBox);
    m_couplers = new QButtonGroup(this);
    for (const CouplerButton &button : kCouplerButtons) {
        auto *radio = new QRadioButton(QLatin1String(button.label), couplerBox);
        radio->setObjectName(QLatin1String(button.name));
        m_couplers->addButton(radio, button.code);
        couplerLayout->addWidget(radio);
    }
    connect(m_couplers, &QButtonGroup::idClicked, this, [this](int code) {
        m_context.working.transducerOptions.mastoidCouplerCode = static_cast<std::int16_t>(code);
    });

    auto *calibrationBox =
        new QGroupBox(QStringLiteral("Microphone used to calibrate the sound level meter"), this);
    auto *calibrationLayout = new QVBoxLayout(calibrationBox);
    m_calibrationMicrophone = new QComboBox(calibrationBox);
    m_calibrationMicrophone->setObjectName(QStringLiteral("calibrationMicCombo"));
    calibrationLayout->addWidget(m_calibrationMicrophone);
    connect(m_calibrationMicrophone, &QComboBox::activated, this, [this](int index) {
        m_context.working.transducerOptions.calibrationMicrophoneSlot =
            static_cast<std::int16_t>(m_calibrationMicrophone->itemData(index).toInt());
    });

    m_responses = new QTableWidget(kFrequencyCount, 3, this);
    m_responses->setObjectName(QStringLiteral("mastoidResponses"));
    m_responses->setHorizontalHeaderLabels(
        {QStringLiteral("Kestin"), QStringLiteral("Lorvat"), QStringLiteral("Pendry")});
    QStringList rows;
    for (int i = 0; i < kFrequencyCount; ++i)
        rows << frequencyLabel(i).trimmed();
    m_responses->setVerticalHeaderLabels(rows);
    m_responses->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_responses->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_responses->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_responses->setMinimumWidth(260);

    auto *left = new QVBoxLayout;
    left->addLayout(identity);
    left->addWidget(couplerBox);
    left->addWidget(calibrationBox);
    left->addStretch(1);
    auto *body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addWidget(m_responses, 1);

    auto *layout = new QVBoxLayout(this);
    addPageHint(*layout, QStringLiteral(
                             "Select the artificial mastoid for the bone vibrator measurements, the coupler "
                             "it is used on and the microphone that calibrated the sound level meter."));
    layout->addLayout(body, 1);

    connect(m_mastoid, &InstrumentCombo::slotChanged, this, &CTestMastoidPP::showDetails);
    m_mastoid->bind(m_context.working.mastoid);
    load();
}

void CTestMastoidPP::load()
{
    m_mastoid->reload();
    showDetails();
    showCoupler();
    fillCalibrationMicrophones();
}

void CTestMastoidPP::showDetails()
{
    const MastoidData &mastoid = m_context.working.mastoid;
    m_manufacturer->setText(displayText(mastoid.identity.manufacturer));
    m_model->setText(displayText(mastoid.identity.model));
    m_serial->setText(displayText(mastoid.identity.serialNumber));
    m_due->setText(displayText(mastoid.identity.calibrationDue));
    m_sensitivity->setText(numberText(mastoid.sensitivity));
    m_kestinSensitivity->setText(numberText(mastoid.kestinSensitivity));
    m_lorvatSensitivity->setText(numberText(mastoid.lorvatSensitivity));
    m_pendrySensitivity->setText(numberText(mastoid.pendrySensitivity));
    showInstrumentDetails(*m_details, mastoid.identity, m_context.today);
    m_details->setVisible(m_details->property("overdue").toBool());
    m_details->setText(QStringLiteral("The calibration of this mastoid is overdue."));

    const float *columns[] = {mastoid.kestinResponse, mastoid.lorvatResponse, mastoid.pendryResponse};
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < kFrequencyCount; ++row)
            m_responses->setItem(row, column, new QTableWidgetItem(numberText(columns[column][row])));
    }
}

void CTestMastoidPP::showCoupler()
{
    // A test whose coupler was never chosen (or holds a code no button offers) shows none checked and
    // keeps its code until a button is clicked.
    const int code = m_context.working.transducerOptions.mastoidCouplerCode;
    m_couplers->setExclusive(false);
    for (QAbstractButton *button : m_couplers->buttons())
        button->setChecked(m_couplers->id(button) == code);
    m_couplers->setExclusive(true);
}

void CTestMastoidPP::fillCalibrationMicrophones()
{
    const TestSetup &setup = m_context.working;
    const int stored = setup.transducerOptions.calibrationMicrophoneSlot;
    m_calibrationMicrophone->clear();
    m_calibrationMicrophone->addItem(QStringLiteral("None"), 0);
    // Slot 0 is not offered: its number means that no calibration microphone was chosen.
    for (int slot = 1; slot < kCouplerMicrophoneSlots; ++slot) {
        const InstrumentIdentity &identity = setup.couplerMicrophone[slot].identity;
        const bool present = !trimmedText(fixedText(identity.serialNumber)).empty();
        const QString microphone =
            present ? QStringLiteral("%1 SN-%2")
                          .arg(displayText(identity.model), displayText(identity.serialNumber))
                    : QStringLiteral("no microphone chosen");
        m_calibrationMicrophone->addItem(QStringLiteral("%1: %2").arg(microphoneSlotName(slot), microphone),
                                         slot);
    }
    int current = m_calibrationMicrophone->findData(stored);
    if (current < 0) {
        // A number no slot has: shown and kept, not silently turned into "None".
        m_calibrationMicrophone->addItem(QStringLiteral("Slot %1 (stored with the test)").arg(stored),
                                         stored);
        current = m_calibrationMicrophone->count() - 1;
    }
    m_calibrationMicrophone->setCurrentIndex(current);
}

} // namespace tonva
