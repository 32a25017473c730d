#include "measure/ui/LiveReadingDialog.h"

#include <QLabel>
#include <QTimer>

namespace tonva {

namespace {
constexpr int kReadingIntervalMs = 1000;
} // namespace

LiveReadingDialog::LiveReadingDialog(QWidget *parent) : QDialog(parent), m_timer(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Adjust Level"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(kReadingIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &LiveReadingDialog::tick);
}

QLabel *LiveReadingDialog::valueLabel(const char *name)
{
    auto *label = new QLabel(this);
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

void LiveReadingDialog::startReadings()
{
    m_closed = false;
    if (!m_reading)
        m_timer->start();
}

bool LiveReadingDialog::readingsRunning() const
{
    return m_timer->isActive() || m_reading;
}

void LiveReadingDialog::stopReadings()
{
    m_closed = true;
    m_timer->stop();
}

void LiveReadingDialog::tick()
{
    // The reading dispatches events while it waits on the meter: a second timer shot, a new choice
    // in the dialog or a click on OK may arrive meanwhile.
    if (m_reading)
        return;
    m_timer->stop();
    m_reading = true;
    const bool read = readOnce();
    m_reading = false;
    if (read && !m_closed)
        m_timer->start();
}

void LiveReadingDialog::accept()
{
    stopReadings();
    QDialog::accept();
}

void LiveReadingDialog::reject()
{
    stopReadings();
    QDialog::reject();
}

} // namespace tonva
