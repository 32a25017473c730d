#include "measure/ui/CAdjustLevelDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

CAdjustLevelDlg::CAdjustLevelDlg(HearingLevelAdjust &logic, QWidget *parent)
    : LiveReadingDialog(parent), m_logic(logic)
{
    m_frequencies = new QListWidget(this);
    m_frequencies->setObjectName(QStringLiteral("frequencyList"));
    m_frequencies->addItems(logic.frequencyTexts());
    m_frequencies->setSelectionMode(QAbstractItemView::SingleSelection);
    m_frequencies->setMaximumWidth(m_frequencies->fontMetrics().horizontalAdvance(QStringLiteral("20000.0")) +
                                   48);
    if (m_frequencies->count() > 0)
        m_frequencies->setCurrentRow(logic.preselectedRow());
    connect(m_frequencies, &QListWidget::currentRowChanged, this, [this](int row) {
        m_logic.choose(row);
        // The shown values belong to the frequency they were read at.
        m_level->clear();
        m_hearingLevel->clear();
    });

    m_level = valueLabel("levelValue");
    m_hearingLevel = valueLabel("hearingLevelValue");
    auto *values = new QGridLayout;
    values->addWidget(new QLabel(QStringLiteral("Level"), this), 0, 0);
    values->addWidget(m_level, 0, 1);
    values->addWidget(new QLabel(QStringLiteral("dB SPL"), this), 0, 2);
    values->addWidget(m_hearingLevel, 1, 1);
    values->addWidget(new QLabel(QStringLiteral("dBHL"), this), 1, 2);
    values->setRowStretch(2, 1);

    auto *target = new QVBoxLayout;
    target->addWidget(new QLabel(QStringLiteral("Target"), this));
    target->addWidget(m_frequencies);

    auto *body = new QHBoxLayout;
    body->addLayout(target);
    body->addSpacing(12);
    body->addLayout(values);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
}

CAdjustLevelDlg::~CAdjustLevelDlg() = default;

void CAdjustLevelDlg::run(HearingLevelAdjust &logic, QWidget *parent)
{
    if (!logic.prepare())
        return;
    CAdjustLevelDlg dialog(logic, parent);
    dialog.startReadings();
    dialog.exec();
}

bool CAdjustLevelDlg::readOnce()
{
    const int row = m_frequencies->currentRow();
    const std::optional<HearingLevelAdjust::Reading> reading = m_logic.tick();
    if (!reading)
        return false;
    // A frequency chosen while the meter was read gets its own reading at the next tick.
    if (row == m_frequencies->currentRow()) {
        m_level->setText(reading->level);
        m_hearingLevel->setText(reading->hearingLevel);
    }
    return true;
}

} // namespace tonva
