#include "measure/ui/SoundFieldPageWidget.h"

#include "measure/SoundFieldTest.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>

namespace tonva {

SoundFieldPageWidget::SoundFieldPageWidget(SoundFieldTest &page, QWidget *parent)
    : MeasurementPageWidget(page, parent), m_angles(new QButtonGroup(this))
{
    auto *pages = new QGroupBox(QStringLiteral("Sound field:"), this);
    auto *mono = new QRadioButton(QStringLiteral("Mono Sound Field"), pages);
    mono->setObjectName(QStringLiteral("monoPage"));
    auto *binaural = new QRadioButton(QStringLiteral("Binaural"), pages);
    binaural->setObjectName(QStringLiteral("binauralPage"));
    (page.binaural() ? binaural : mono)->setChecked(true);
    auto *pagesLayout = new QHBoxLayout(pages);
    pagesLayout->addWidget(mono);
    pagesLayout->addWidget(binaural);
    controls()->addWidget(pages);
    connect(binaural, &QRadioButton::clicked, this, [this] { Q_EMIT pageChosen(true); });
    connect(mono, &QRadioButton::clicked, this, [this] { Q_EMIT pageChosen(false); });

    auto *group = new QGroupBox(QStringLiteral("Incidence angle:"), this);
    group->setObjectName(QStringLiteral("incidence"));
    auto *layout = new QHBoxLayout(group);
    const QStringList labels{QStringLiteral("0°"), QStringLiteral("45°"), QStringLiteral("90°")};
    for (int i = 0; i < labels.size(); ++i) {
        auto *radio = new QRadioButton(labels[i], group);
        radio->setObjectName(QStringLiteral("incidence%1").arg(i));
        m_angles->addButton(radio, i);
        layout->addWidget(radio);
    }
    // Binaural listening is judged straight ahead only.
    group->setVisible(!page.binaural());
    controls()->addWidget(group);
    controls()->addStretch();
    connect(m_angles, &QButtonGroup::idClicked, this, [this](int id) {
        // The page may already be gone while the widget waits for its deletion.
        if (auto *soundField = dynamic_cast<SoundFieldTest *>(this->page())) {
            soundField->setIncidence(id);
            refresh();
        }
    });
    refresh();
}

void SoundFieldPageWidget::refresh()
{
    MeasurementPageWidget::refresh();
    const auto *soundField = dynamic_cast<const SoundFieldTest *>(page());
    if (!m_angles || !soundField)
        return;
    if (QAbstractButton *angle = m_angles->button(soundField->incidence()))
        angle->setChecked(true);
}

} // namespace tonva
