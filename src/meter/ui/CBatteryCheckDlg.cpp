#include "meter/ui/CBatteryCheckDlg.h"

#include "meter/SlmLink.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

CBatteryCheckDlg::CBatteryCheckDlg(SlmLink &link, QWidget *parent) : QDialog(parent), m_link(link)
{
    setWindowTitle(QStringLiteral("SLM Battery Check"));
    setObjectName(QStringLiteral("batteryCheckDialog"));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("batteryText"));
    m_text->setMinimumWidth(260);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CBatteryCheckDlg::refresh);
    m_timer.start();
    if (!m_timer.isActive())
        refresh();
}

void CBatteryCheckDlg::run(SlmLink &link, QWidget *parent)
{
    CBatteryCheckDlg dialog(link, parent);
    dialog.exec();
}

QString CBatteryCheckDlg::text() const
{
    return m_text->text();
}

void CBatteryCheckDlg::refresh()
{
    if (m_reading)
        return;
    m_reading = true;
    const QString line = m_link.BatteryLine();
    m_reading = false;
    m_text->setText(line);
    if (m_closeQueued) {
        m_closeQueued = false;
        QDialog::accept();
    }
}

void CBatteryCheckDlg::accept()
{
    if (m_reading) {
        m_closeQueued = true;
        return;
    }
    m_timer.stop();
    QDialog::accept();
}

void CBatteryCheckDlg::reject()
{
    accept();
}

} // namespace tonva
