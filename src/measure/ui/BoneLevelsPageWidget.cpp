#include "measure/ui/BoneLevelsPageWidget.h"

#include "measure/BoneConductionTest.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

namespace tonva {

BoneLevelsPageWidget::BoneLevelsPageWidget(BoneConductionTest &page, QWidget *parent)
    : MeasurementPageWidget(page, parent)
{
    controls()->addWidget(new QLabel(QStringLiteral("Placement:"), this));
    m_mastoid = new QRadioButton(QStringLiteral("Mastoid"), this);
    m_mastoid->setObjectName(QStringLiteral("placementMastoid"));
    m_forehead = new QRadioButton(QStringLiteral("Forehead"), this);
    m_forehead->setObjectName(QStringLiteral("placementForehead"));
    auto *placement = new QButtonGroup(this);
    placement->addButton(m_mastoid, static_cast<int>(BonePlacement::Mastoid));
    placement->addButton(m_forehead, static_cast<int>(BonePlacement::Forehead));
    controls()->addWidget(m_mastoid);
    controls()->addWidget(m_forehead);
    controls()->addSpacing(24);
    m_showCorrections = new QCheckBox(QStringLiteral("Show Applied Corrections"), this);
    m_showCorrections->setObjectName(QStringLiteral("showCorrections"));
    controls()->addWidget(m_showCorrections);
    controls()->addStretch();
    showPlacement();

    // The page may already be gone while the widget waits for its deletion.
    connect(placement, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (auto *bone = dynamic_cast<BoneConductionTest *>(this->page()); bone && checked) {
            bone->setPlacement(static_cast<BonePlacement>(id));
            MeasurementPageWidget::refresh();
        }
    });
    connect(m_showCorrections, &QCheckBox::toggled, this, [this](bool show) {
        if (auto *bone = dynamic_cast<BoneConductionTest *>(this->page())) {
            bone->setShowCorrections(show);
            MeasurementPageWidget::refresh();
        }
    });
}

void BoneLevelsPageWidget::refresh()
{
    MeasurementPageWidget::refresh();
    showPlacement();
}

void BoneLevelsPageWidget::setOptionsEnabled(bool enabled)
{
    m_mastoid->setEnabled(enabled);
    m_forehead->setEnabled(enabled);
    m_showCorrections->setEnabled(enabled);
}

void BoneLevelsPageWidget::showPlacement()
{
    if (auto *bone = dynamic_cast<BoneConductionTest *>(page())) {
        const QSignalBlocker mastoid(m_mastoid);
        const QSignalBlocker forehead(m_forehead);
        (bone->placement() == BonePlacement::Forehead ? m_forehead : m_mastoid)->setChecked(true);
    }
}

} // namespace tonva
