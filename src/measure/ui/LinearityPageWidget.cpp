#include "measure/ui/LinearityPageWidget.h"

#include "measure/LinearityTest.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

namespace tonva {

LinearityPageWidget::LinearityPageWidget(LinearityTest &page, QWidget *parent) : MeasurementPageWidget(page, parent)
{
    auto *label = new QLabel(QStringLiteral("Direction:"), this);
    m_direction = new QComboBox(this);
    m_direction->setObjectName(QStringLiteral("linearityDirection"));
    // Item positions are the direction's numbers, as the stored setting keeps them.
    m_direction->addItems({QStringLiteral("Auto"), QStringLiteral("Down"), QStringLiteral("Up")});
    label->setBuddy(m_direction);
    controls()->addWidget(label);
    controls()->addWidget(m_direction);
    controls()->addStretch();
    showDirection();
    connect(m_direction, &QComboBox::currentIndexChanged, this, [this](int index) {
        // The page may already be gone while the widget waits for its deletion.
        if (auto *linearity = dynamic_cast<LinearityTest *>(this->page()); linearity && index >= 0)
            linearity->setDirection(static_cast<LinearityDirection>(index));
    });
}

void LinearityPageWidget::refresh()
{
    MeasurementPageWidget::refresh();
    showDirection();
}

void LinearityPageWidget::showDirection()
{
    if (auto *linearity = dynamic_cast<LinearityTest *>(page())) {
        const QSignalBlocker blocker(m_direction);
        m_direction->setCurrentIndex(static_cast<int>(linearity->direction()));
    }
}

} // namespace tonva
