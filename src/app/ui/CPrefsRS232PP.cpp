#include "app/ui/CPrefsRS232PP.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tonva {

CPrefsRS232PP::CPrefsRS232PP(SlmPortChoice &choice, QWidget *parent) : QWidget(parent), m_choice(choice)
{
    auto *group = new QGroupBox(QStringLiteral("RS232 Setup"), this);
    m_ports = new QComboBox(group);
    m_ports->setObjectName(QStringLiteral("portList"));
    // Editable so a device the system does not report (a pseudo-terminal) can be named.
    m_ports->setEditable(true);
    m_ports->setInsertPolicy(QComboBox::NoInsert);
    m_ports->setMinimumContentsLength(28);
    m_ports->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    for (const SlmPortEntry &entry : choice.ports())
        m_ports->addItem(entry.text);
    m_ports->setCurrentIndex(choice.portIndex());
    if (choice.portIndex() < 0)
        m_ports->lineEdit()->clear();

    m_bauds = new QComboBox(group);
    m_bauds->setObjectName(QStringLiteral("baudList"));
    m_bauds->addItems(SlmPortChoice::baudTexts());
    m_bauds->setCurrentIndex(choice.baudIndex());

    auto *form = new QFormLayout(group);
    form->addRow(new QLabel(QStringLiteral("Sound Level Meter RS 232 Port:"), group));
    form->addRow(m_ports);
    form->addRow(new QLabel(QStringLiteral("RS 232 Port Baud Rate:"), group));
    form->addRow(m_bauds);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
    layout->addStretch();
}

void CPrefsRS232PP::collect()
{
    // Completion can fill in an entry's whole text without moving the current index.
    const QString text = m_ports->currentText().trimmed();
    const int index = m_ports->findText(text, Qt::MatchExactly);
    if (index >= 0)
        m_choice.choosePort(index);
    else
        m_choice.choosePortName(text);
    m_choice.chooseBaud(m_bauds->currentIndex());
}

} // namespace tonva
