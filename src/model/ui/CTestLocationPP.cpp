#include "model/ui/CTestLocationPP.h"

#include "model/TestSetup.h"
#include "model/ui/InstrumentChoice.h"
#include "model/ui/SetupForm.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tonva {

using namespace setupform;

CTestLocationPP::CTestLocationPP(SetupContext &context, QWidget *parent) : SetupPage(context, parent)
{
    setObjectName(QStringLiteral("CTestLocationPP"));
    m_customer = textField("customerEdit", 40, this);
    m_location1 = textField("location1Edit", 40, this);
    m_location2 = textField("location2Edit", 40, this);
    // Forty characters need no more room than this; stretched across the window they read badly.
    for (QLineEdit *edit : {m_customer, m_location1, m_location2})
        edit->setMaximumWidth(420);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Customer Name"), m_customer);
    form->addRow(QStringLiteral("Test Location"), m_location1);
    form->addRow(QString(), m_location2);
    auto *layout = new QVBoxLayout(this);
    addPageHint(
        *layout,
        QStringLiteral("The customer and where the audiometer is tested, as the certificate shows them."));
    layout->addLayout(form);
    layout->addStretch(1);
}

void CTestLocationPP::load()
{
    TestSetup &setup = m_context.working;
    loadText(m_customer, setup.customerName);
    loadText(m_location1, setup.location1);
    loadText(m_location2, setup.location2);
}

void CTestLocationPP::collect()
{
    TestSetup &setup = m_context.working;
    collectText(setup.customerName, m_customer);
    collectText(setup.location1, m_location1);
    collectText(setup.location2, m_location2);
}

} // namespace tonva
