#include "measure/ui/CAdjustLevelDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tonva {

namespace {

constexpr int kReadingIntervalMs = 1000;

QLabel *valueLabel(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-000.0")) + 12);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

CAdjustLevelDlg::CAdjustLevelDlg(HearingLevelAdjust &logic, QWidget *parent)
    : QDialog(parent), m_logic(logic), m_timer(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Adjust Level"));

    m_frequencies = new QListWidget(this);
    m_frequencies->setObjectName(QStringLiteral("frequencyList"));
    m_frequencies->addItems(logic.frequencyTexts());
    m_frequencies->setSelectionMode(QAbstractItemView::SingleSelection);
    m_frequencies->setMaximumWidth(m_frequencies->fontMetrics().horizontalAdvance(QStringLiteral("20000.0"))
                                   + 48);
    if (m_frequencies->count() > 0)
        m_frequencies->setCurrentRow(logic.preselectedRow());
    connect(m_frequencies, &QListWidget::currentRowChanged, this, [this](int row) {
        m_logic.choose(row);
        // The shown values belong to the frequency they were read at.
        m_level->clear();
        m_hearingLevel->clear();
    });

    m_level = valueLabel("levelValue", this);
    m_hearingLevel = valueLabel("hearingLevelValue", this);
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

    m_timer->setSingleShot(true);
    m_timer->setInterval(kReadingIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &CAdjustLevelDlg::tick);
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

void CAdjustLevelDlg::startReadings()
{
    m_closed = false;
    if (!m_reading)
        m_timer->start();
}

bool CAdjustLevelDlg::readingsRunning() const
{
    return m_timer->isActive() || m_reading;
}

void CAdjustLevelDlg::stopReadings()
{
    m_closed = true;
    m_timer->stop();
}

void CAdjustLevelDlg::tick()
{
    // The reading dispatches events while it waits on the meter: a second timer shot or a click on
    // OK may arrive meanwhile.
    if (m_reading)
        return;
    m_timer->stop();
    const int row = m_frequencies->currentRow();
    m_reading = true;
    const std::optional<HearingLevelAdjust::Reading> reading = m_logic.tick();
    m_reading = false;
    if (!reading)
        return;
    // A frequency chosen while the meter was read gets its own reading at the next tick.
    if (row == m_frequencies->currentRow()) {
        m_level->setText(reading->level);
        m_hearingLevel->setText(reading->hearingLevel);
    }
    if (!m_closed)
        m_timer->start();
}

void CAdjustLevelDlg::accept()
{
    stopReadings();
    QDialog::accept();
}

void CAdjustLevelDlg::reject()
{
    stopReadings();
    QDialog::reject();
}

} // namespace tonva
