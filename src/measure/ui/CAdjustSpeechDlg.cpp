#include "measure/ui/CAdjustSpeechDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
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

CAdjustSpeechDlg::CAdjustSpeechDlg(SpeechAdjust &logic, QWidget *parent)
    : QDialog(parent), m_logic(logic), m_timer(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Adjust Level"));

    auto *basis = new QGroupBox(QStringLiteral("Select Reading Basis"), this);
    m_oneKilohertz = new QRadioButton(QStringLiteral("1000 Hz Frequency"), basis);
    m_oneKilohertz->setObjectName(QStringLiteral("oneKilohertzBasis"));
    m_overall = new QRadioButton(QStringLiteral("Overall (C Weight)"), basis);
    m_overall->setObjectName(QStringLiteral("overallBasis"));
    (logic.basis() == SpeechAdjustBasis::Overall ? m_overall : m_oneKilohertz)->setChecked(true);
    auto *basisLayout = new QVBoxLayout(basis);
    basisLayout->addWidget(m_oneKilohertz);
    basisLayout->addWidget(m_overall);
    connect(m_oneKilohertz, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseBasis(SpeechAdjustBasis::OneKilohertz);
    });
    connect(m_overall, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseBasis(SpeechAdjustBasis::Overall);
    });

    m_level = valueLabel("levelValue", this);
    m_hearingLevel = valueLabel("hearingLevelValue", this);
    auto *values = new QGridLayout;
    values->addWidget(new QLabel(QStringLiteral("SPL"), this), 0, 0);
    values->addWidget(new QLabel(QStringLiteral("dBHL"), this), 0, 1);
    values->addWidget(m_level, 1, 0);
    values->addWidget(m_hearingLevel, 1, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(basis);
    layout->addLayout(values);
    layout->addWidget(buttons);

    m_timer->setSingleShot(true);
    m_timer->setInterval(kReadingIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &CAdjustSpeechDlg::tick);
}

CAdjustSpeechDlg::~CAdjustSpeechDlg() = default;

void CAdjustSpeechDlg::run(SpeechAdjust &logic, QWidget *parent)
{
    if (!logic.prepare())
        return;
    CAdjustSpeechDlg dialog(logic, parent);
    dialog.startReadings();
    dialog.exec();
}

void CAdjustSpeechDlg::chooseBasis(SpeechAdjustBasis basis)
{
    // The shown values belong to the basis they were read on.
    m_level->clear();
    m_hearingLevel->clear();
    if (!m_logic.chooseBasis(basis))
        reject();
}

void CAdjustSpeechDlg::startReadings()
{
    m_closed = false;
    if (!m_reading)
        m_timer->start();
}

bool CAdjustSpeechDlg::readingsRunning() const
{
    return m_timer->isActive() || m_reading;
}

void CAdjustSpeechDlg::stopReadings()
{
    m_closed = true;
    m_timer->stop();
}

void CAdjustSpeechDlg::tick()
{
    // The reading dispatches events while it waits on the meter: a second timer shot, a change of
    // basis or a click on OK may arrive meanwhile.
    if (m_reading)
        return;
    m_timer->stop();
    const SpeechAdjustBasis basis = m_logic.basis();
    m_reading = true;
    const std::optional<SpeechAdjust::Reading> reading = m_logic.tick();
    m_reading = false;
    if (!reading)
        return;
    if (basis == m_logic.basis()) {
        m_level->setText(reading->level);
        m_hearingLevel->setText(reading->hearingLevel);
    }
    if (!m_closed)
        m_timer->start();
}

void CAdjustSpeechDlg::accept()
{
    stopReadings();
    m_logic.finish();
    QDialog::accept();
}

void CAdjustSpeechDlg::reject()
{
    stopReadings();
    QDialog::reject();
}

} // namespace tonva
