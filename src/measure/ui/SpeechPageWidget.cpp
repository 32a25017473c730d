#include "measure/ui/SpeechPageWidget.h"

#include "measure/SpeechTest.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace tonva {

namespace {

QGroupBox *radioGroup(const QString &title, const char *name, const QStringList &labels, QButtonGroup *buttons,
                      QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    group->setObjectName(QLatin1String(name));
    auto *layout = new QHBoxLayout(group);
    for (int i = 0; i < labels.size(); ++i) {
        auto *radio = new QRadioButton(labels[i], group);
        radio->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(i));
        buttons->addButton(radio, i);
        layout->addWidget(radio);
    }
    return group;
}

} // namespace

SpeechPageWidget::SpeechPageWidget(SpeechTest &page, QWidget *parent)
    : MeasurementPageWidget(page, parent), m_placements(new QButtonGroup(this)), m_angles(new QButtonGroup(this))
{
    m_placement = radioGroup(QStringLiteral("Placement:"), "placement",
                             {QStringLiteral("Mastoid"), QStringLiteral("Forehead")}, m_placements, this);
    m_incidence = radioGroup(QStringLiteral("Incidence Angle:"), "incidence",
                             {QStringLiteral("0°"), QStringLiteral("45°"), QStringLiteral("90°")}, m_angles, this);
    m_placement->setVisible(page.placementOffered());
    m_incidence->setVisible(page.incidenceOffered());
    if (page.incidenceLocked()) {
        // With both speakers only straight ahead is offered.
        m_angles->button(1)->hide();
        m_angles->button(2)->hide();
        m_incidence->setEnabled(false);
    }

    m_dial = new QLineEdit(this);
    m_dial->setObjectName(QStringLiteral("dialSetting"));
    m_dial->setMaximumWidth(m_dial->fontMetrics().horizontalAdvance(QStringLiteral("-000")) + 24);

    controls()->addWidget(m_placement);
    controls()->addWidget(m_incidence);
    controls()->addWidget(new QLabel(QStringLiteral("HL Dial Setting:"), this));
    controls()->addWidget(m_dial);
    controls()->addStretch();

    // The page may already be gone while the widget waits for its deletion.
    connect(m_placements, &QButtonGroup::idClicked, this, [this](int id) {
        if (SpeechTest *test = speech()) {
            test->setPlacement(id == 1 ? BonePlacement::Forehead : BonePlacement::Mastoid);
            refresh();
        }
    });
    connect(m_angles, &QButtonGroup::idClicked, this, [this](int id) {
        if (SpeechTest *test = speech()) {
            test->setIncidence(id);
            refresh();
        }
    });
    connect(m_dial, &QLineEdit::editingFinished, this, &SpeechPageWidget::applyDialText);
    refresh();
}

SpeechTest *SpeechPageWidget::speech() const
{
    return dynamic_cast<SpeechTest *>(page());
}

void SpeechPageWidget::applyDialText()
{
    SpeechTest *test = speech();
    if (!test)
        return;
    // What is not a number leaves the stored setting, which the field shows again.
    test->setDialText(m_dial->text());
    refresh();
}

void SpeechPageWidget::refresh()
{
    MeasurementPageWidget::refresh();
    // The base class builds the list before this widget's own controls exist.
    if (!m_dial)
        return;
    const SpeechTest *test = speech();
    if (!test)
        return;
    if (!m_dial->hasFocus())
        m_dial->setText(test->dialText());
    if (QAbstractButton *placement = m_placements->button(test->placement() == BonePlacement::Forehead ? 1 : 0))
        placement->setChecked(true);
    if (QAbstractButton *angle = m_angles->button(test->incidence()))
        angle->setChecked(true);
}

} // namespace tonva
