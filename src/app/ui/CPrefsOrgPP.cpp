#include "app/ui/CPrefsOrgPP.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tonva {

namespace {

QLineEdit *organizationEdit(const QString &text, const QString &objectName, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(objectName);
    edit->setMaxLength(preference::kOrganizationTextLength);
    return edit;
}

} // namespace

CPrefsOrgPP::CPrefsOrgPP(OrganizationSettings &settings, QWidget *parent)
    : QWidget(parent), m_settings(settings)
{
    auto *group = new QGroupBox(QStringLiteral("Calibration Organization"), this);
    auto *form = new QFormLayout;
    m_name = organizationEdit(settings.companyName, QStringLiteral("companyName"), group);
    m_header1 = organizationEdit(settings.header1, QStringLiteral("header1"), group);
    m_header2 = organizationEdit(settings.header2, QStringLiteral("header2"), group);
    form->addRow(QStringLiteral("Name:"), m_name);
    form->addRow(QString(), m_header1);
    form->addRow(QString(), m_header2);

    auto *boxes = new QVBoxLayout(group);
    boxes->addLayout(form);
    boxes->addSpacing(12);
    for (int i = 0; i < kDisplayOptionCount; ++i) {
        const DisplayOption option = DisplayOption(i);
        auto *box = new QCheckBox(displayOptionLabel(option), group);
        box->setObjectName(QStringLiteral("option%1").arg(i));
        box->setChecked(settings.option(option));
        boxes->addWidget(box);
        m_options[std::size_t(i)] = box;
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
    layout->addStretch();
}

void CPrefsOrgPP::collect()
{
    m_settings.companyName = m_name->text();
    m_settings.header1 = m_header1->text();
    m_settings.header2 = m_header2->text();
    for (int i = 0; i < kDisplayOptionCount; ++i)
        m_settings.setOption(DisplayOption(i), m_options[std::size_t(i)]->isChecked());
}

} // namespace tonva
