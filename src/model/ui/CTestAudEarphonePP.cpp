#include "model/ui/CTestAudEarphonePP.h"

#include "model/FixedText.h"
#include "model/TestSetup.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tonva {

namespace {

constexpr int kSerialNumberLength = 12;

QLineEdit *serialField(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(kSerialNumberLength);
    return edit;
}

} // namespace

CTestAudEarphonePP::CTestAudEarphonePP(EarphonePage::Kind kind, const QString &title,
                                       std::vector<CouplerButton> buttons, const QString &couplerNote,
                                       SetupContext &context, QWidget *parent)
    : SetupPage(context, parent),
      m_rules(std::make_unique<EarphonePage>(kind, context.working, context.inventory, context.preferences,
                                             context.interaction))
{
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(title, this);
    heading->setObjectName(QStringLiteral("titleLabel"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    auto *earphone = new QGroupBox(QStringLiteral("Earphone"), this);
    auto *form = new QFormLayout(earphone);
    m_model = new QComboBox(earphone);
    m_model->setObjectName(QStringLiteral("modelCombo"));
    m_model->setMinimumContentsLength(16);
    m_manufacturer = new QLabel(earphone);
    m_manufacturer->setObjectName(QStringLiteral("manufacturerLabel"));
    m_leftSerial = serialField("leftSerialEdit", earphone);
    m_rightSerial = serialField("rightSerialEdit", earphone);
    form->addRow(QStringLiteral("Model"), m_model);
    form->addRow(QStringLiteral("Manufacturer"), m_manufacturer);
    form->addRow(QStringLiteral("Left Serial Number"), m_leftSerial);
    form->addRow(QStringLiteral("Right Serial Number"), m_rightSerial);
    layout->addWidget(earphone);

    auto *coupler = new QGroupBox(QStringLiteral("Coupler"), this);
    auto *couplerLayout = new QVBoxLayout(coupler);
    m_couplers = new QButtonGroup(this);
    for (const CouplerButton &button : buttons) {
        auto *radio = new QRadioButton(button.label, coupler);
        radio->setObjectName(QStringLiteral("coupler%1Button").arg(button.code));
        m_couplers->addButton(radio, button.code);
        couplerLayout->addWidget(radio);
    }
    if (!couplerNote.isEmpty()) {
        auto *note = new QLabel(couplerNote, coupler);
        note->setObjectName(QStringLiteral("couplerNoteLabel"));
        // Under the buttons it explains, in line with their text.
        note->setIndent(24);
        couplerLayout->addWidget(note);
    }
    layout->addWidget(coupler);

    m_allowIncompatible = new QCheckBox(
        QStringLiteral("Allow use of coupler with an earphone that has not been certified for that coupler."), this);
    m_allowIncompatible->setObjectName(QStringLiteral("allowIncompatibleCheck"));
    layout->addWidget(m_allowIncompatible);

    auto *retspl = new QHBoxLayout;
    m_editRetspl = new QPushButton(QStringLiteral("Edit RETSPL"), this);
    m_editRetspl->setObjectName(QStringLiteral("editRetsplButton"));
    retspl->addWidget(m_editRetspl);
    retspl->addWidget(new QLabel(QStringLiteral("Only use this button if you need non-standard RETSPL."), this));
    retspl->addStretch(1);
    layout->addLayout(retspl);
    layout->addStretch(1);

    connect(m_model, &QComboBox::currentIndexChanged, this, &CTestAudEarphonePP::modelChosen);
    connect(m_couplers, &QButtonGroup::idClicked, this, &CTestAudEarphonePP::couplerClicked);
    connect(m_allowIncompatible, &QCheckBox::toggled, this, &CTestAudEarphonePP::allowIncompatibleToggled);
    connect(m_editRetspl, &QPushButton::clicked, this, &CTestAudEarphonePP::editRetspl);

    // Filled at once, so a page that is collected before anyone loads it writes back what it holds.
    CTestAudEarphonePP::load();
}

CTestAudEarphonePP::~CTestAudEarphonePP() = default;

void CTestAudEarphonePP::load()
{
    showSlot();
}

void CTestAudEarphonePP::collect()
{
    // A choice made without the combo's signal (a stored test, a test driving the page) still counts.
    const int shown = m_model->currentIndex();
    if (!m_rules->models().empty() && shown >= 0 && shown != m_rules->currentIndex())
        m_rules->choose(shown);
    keepSerialNumbers();
}

void CTestAudEarphonePP::keepSerialNumbers()
{
    // Written only when edited: a stored test accepted unchanged keeps its bytes as they were.
    const EarphoneSlot &slot = m_rules->slot();
    if (m_leftSerial->text() != displayText(slot.leftSerialNumber) ||
        m_rightSerial->text() != displayText(slot.rightSerialNumber))
        m_rules->setSerialNumbers(m_leftSerial->text(), m_rightSerial->text());
}

void CTestAudEarphonePP::showSlot()
{
    const EarphoneSlot &slot = m_rules->slot();
    {
        const QSignalBlocker blocker(m_model);
        m_model->clear();
        m_model->addItems(m_rules->modelNames());
        const int current = m_rules->currentIndex();
        if (current >= 0)
            m_model->setCurrentIndex(current);
        else if (m_rules->models().empty() && fixedTextIsEmpty(slot.model))
            m_model->setCurrentIndex(0); // "None"
        else
            m_model->setCurrentIndex(-1);
        // An earphone the list does not offer (a stored test, another inventory) is still the slot's:
        // it is shown until the technician picks another.
        m_model->setPlaceholderText(displayText(slot.model));
    }
    m_manufacturer->setText(displayText(slot.manufacturer));
    m_leftSerial->setText(displayText(slot.leftSerialNumber));
    m_rightSerial->setText(displayText(slot.rightSerialNumber));

    // A new test has no coupler yet: then no button is on.
    m_couplers->setExclusive(false);
    for (QAbstractButton *button : m_couplers->buttons())
        button->setChecked(m_couplers->id(button) == slot.couplerCode);
    m_couplers->setExclusive(true);

    const QSignalBlocker blocker(m_allowIncompatible);
    m_allowIncompatible->setChecked(m_rules->allowIncompatible());
}

void CTestAudEarphonePP::modelChosen(int index)
{
    if (index < 0)
        return;
    keepSerialNumbers();
    m_rules->choose(index);
    showSlot();
}

void CTestAudEarphonePP::couplerClicked(int code)
{
    keepSerialNumbers();
    m_rules->changeCoupler(code);
    // Also puts the previous button back when the technician cancelled the question.
    showSlot();
}

void CTestAudEarphonePP::allowIncompatibleToggled(bool allow)
{
    keepSerialNumbers();
    m_rules->setAllowIncompatible(allow);
    showSlot();
}

void CTestAudEarphonePP::editRetspl()
{
    collect();
    m_context.host.editRetspl(m_rules->slot());
}

CTestAudSupraPP::CTestAudSupraPP(SetupContext &context, QWidget *parent)
    : CTestAudEarphonePP(EarphonePage::Kind::SupraAural, QStringLiteral("Supra-aural Earphones"),
                         {{2, QStringLiteral("Kestin   (IEC 60318-3)")},
                          {1, QStringLiteral("Lorvat   (IEC 60318-1)")},
                          {6, QStringLiteral("Pendry   (IEC 60318-1)")}},
                         {}, context, parent)
{
    setObjectName(QStringLiteral("CTestAudSupraPP"));
}

CTestAudInsertPP::CTestAudInsertPP(SetupContext &context, QWidget *parent)
    : CTestAudEarphonePP(EarphonePage::Kind::Insert, QStringLiteral("Insert Earphones"),
                         {{3, QStringLiteral("Ospret")}, {4, QStringLiteral("HA - 1")}, {5, QStringLiteral("HA - 2")}},
                         QStringLiteral("(Mabrek or Nuvell)"), context, parent)
{
    setObjectName(QStringLiteral("CTestAudInsertPP"));
}

CTestAudCircumPP::CTestAudCircumPP(SetupContext &context, QWidget *parent)
    : CTestAudEarphonePP(EarphonePage::Kind::Circumaural, QStringLiteral("Circumaural Earphones"),
                         {{1, QStringLiteral("Lorvat   (IEC 60318-1)")}, {6, QStringLiteral("Pendry   (IEC 60318-1)")}},
                         {}, context, parent)
{
    setObjectName(QStringLiteral("CTestAudCircumPP"));
}

} // namespace tonva
