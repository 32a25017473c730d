#include "measure/ui/LinearityPageWidget.h"

#include "measure/LinearityTest.h"
#include "platform/TextFormat.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace tonva {

namespace {
const QStringList kDialSteps{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("10")};
}

LinearityPageWidget::LinearityPageWidget(LinearityTest &page, QWidget *parent) : MeasurementPageWidget(page, parent)
{
    m_frequency = new QComboBox(this);
    m_frequency->setObjectName(QStringLiteral("linearityFrequency"));
    for (const double hertz : page.offeredFrequencies())
        m_frequency->addItem(formatText("%.1f", hertz));
    m_maximum = new QLineEdit(this);
    m_maximum->setObjectName(QStringLiteral("linearityMaximum"));
    // Negative levels are typed on purpose: they stand for the usual 100 dB HL.
    m_maximum->setValidator(new QIntValidator(-999, 999, m_maximum));
    m_maximum->setMaximumWidth(m_maximum->fontMetrics().horizontalAdvance(QStringLiteral("00000")) * 2);
    m_dialStep = new QComboBox(this);
    m_dialStep->setObjectName(QStringLiteral("linearityDialStep"));
    m_dialStep->addItems(kDialSteps);
    m_direction = new QComboBox(this);
    m_direction->setObjectName(QStringLiteral("linearityDirection"));
    // Item positions are the direction's numbers, as the stored setting keeps them.
    m_direction->addItems({QStringLiteral("Auto"), QStringLiteral("Down"), QStringLiteral("Up")});

    addControl(QStringLiteral("Test Frequency:"), m_frequency);
    addControl(QStringLiteral("Max dBHL:"), m_maximum);
    addControl(QStringLiteral("Dial step:"), m_dialStep);
    addControl(QStringLiteral("Direction:"), m_direction);
    controls()->addStretch();
    showSettings();

    // Only the technician's own choices act: a frequency or step chosen clears readings, so the
    // controls being set to show the page must never reach it. The page may already be gone while
    // the widget waits for its deletion, hence the look-up each time.
    connect(m_frequency, &QComboBox::textActivated, this, [this](const QString &text) {
        if (LinearityTest *page = linearity()) {
            page->chooseFrequency(text.toDouble());
            refresh();
        }
    });
    connect(m_dialStep, &QComboBox::textActivated, this, [this](const QString &text) {
        if (LinearityTest *page = linearity()) {
            page->chooseDialStep(text.toInt());
            refresh();
        }
    });
    connect(m_maximum, &QLineEdit::editingFinished, this, [this] {
        if (LinearityTest *page = linearity()) {
            page->setMaximumLevel(m_maximum->text().toInt());
            refresh();
        }
    });
    connect(m_direction, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (LinearityTest *page = linearity(); page && index >= 0)
            page->setDirection(static_cast<LinearityDirection>(index));
    });
}

LinearityTest *LinearityPageWidget::linearity() const
{
    return dynamic_cast<LinearityTest *>(page());
}

void LinearityPageWidget::addControl(const QString &label, QWidget *control)
{
    auto *buddy = new QLabel(label, this);
    buddy->setBuddy(control);
    controls()->addWidget(buddy);
    controls()->addWidget(control);
}

void LinearityPageWidget::refresh()
{
    MeasurementPageWidget::refresh();
    showSettings();
}

void LinearityPageWidget::showSettings()
{
    const LinearityTest *page = linearity();
    if (!page)
        return;
    const QSignalBlocker frequencyBlocker(m_frequency);
    const QSignalBlocker stepBlocker(m_dialStep);
    const QSignalBlocker directionBlocker(m_direction);
    m_frequency->setCurrentIndex(m_frequency->findText(formatText("%.1f", page->testFrequency())));
    m_maximum->setText(QString::number(page->maximumLevel()));
    // The list offers the usual steps only; another stored step is shown as the default 5.
    const QString step = QString::number(page->dialStep());
    m_dialStep->setCurrentText(kDialSteps.contains(step) ? step : QStringLiteral("5"));
    m_direction->setCurrentIndex(static_cast<int>(page->direction()));
}

} // namespace tonva
