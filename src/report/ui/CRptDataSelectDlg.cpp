#include "report/ui/CRptDataSelectDlg.h"

#include "platform/ui/OkCancelButtons.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

CRptDataSelectDlg::CRptDataSelectDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Select Data for Report"));
    auto *layout = new QVBoxLayout(this);
    auto *sections = new QGroupBox(this);
    auto *sectionLayout = new QVBoxLayout(sections);
    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        auto *box = new QCheckBox(reportSectionLabel(static_cast<MeasurementKind>(kind)), sections);
        box->setObjectName(QStringLiteral("section%1").arg(kind));
        box->setChecked(true);
        sectionLayout->addWidget(box);
        m_sections[static_cast<std::size_t>(kind)] = box;
    }
    layout->addWidget(sections);
    m_retspl = new QCheckBox(QStringLiteral("Display RETSPL Message"), this);
    m_retspl->setObjectName(QStringLiteral("retsplMessage"));
    m_retspl->setChecked(true);
    layout->addWidget(m_retspl);

    auto *row = new QHBoxLayout;
    auto *selectAll = new QPushButton(QStringLiteral("Select All"), this);
    selectAll->setObjectName(QStringLiteral("selectAllButton"));
    auto *clearAll = new QPushButton(QStringLiteral("Clear All"), this);
    clearAll->setObjectName(QStringLiteral("clearAllButton"));
    connect(selectAll, &QPushButton::clicked, this, [this] { setAll(true); });
    connect(clearAll, &QPushButton::clicked, this, [this] { setAll(false); });
    row->addWidget(selectAll);
    row->addWidget(clearAll);
    row->addStretch();
    layout->addLayout(row);
    layout->addWidget(okCancelButtons(this));
}

void CRptDataSelectDlg::setAll(bool on)
{
    for (QCheckBox *box : m_sections)
        box->setChecked(on);
    m_retspl->setChecked(on);
}

ReportSelection CRptDataSelectDlg::selection() const
{
    ReportSelection result;
    for (std::size_t kind = 0; kind < m_sections.size(); ++kind)
        result.sections[kind] = m_sections[kind]->isChecked();
    result.displayRetsplMessage = m_retspl->isChecked();
    return result;
}

} // namespace tonva
