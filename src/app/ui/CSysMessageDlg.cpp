#include "app/ui/CSysMessageDlg.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

CSysMessageDlg::CSysMessageDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("sysMessage"));
    setWindowTitle(QStringLiteral("Message"));
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_first = new QLabel(this);
    m_first->setObjectName(QStringLiteral("firstLine"));
    m_second = new QLabel(this);
    m_second->setObjectName(QStringLiteral("secondLine"));
    m_dismiss = new QPushButton(QStringLiteral("Dismiss"), this);
    m_dismiss->setObjectName(QStringLiteral("dismissButton"));
    m_dismiss->hide();
    connect(m_dismiss, &QPushButton::clicked, this, &CSysMessageDlg::dismiss);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_first);
    layout->addWidget(m_second);
    layout->addWidget(m_dismiss, 0, Qt::AlignRight);
    setMinimumWidth(320);
}

void CSysMessageDlg::showMessage(const QString &firstLine, const QString &secondLine)
{
    m_first->setText(firstLine);
    m_second->setText(secondLine);
    show();
    raise();
    // Painted now: the work that follows may not return to the event loop for a while.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CSysMessageDlg::dismiss()
{
    hide();
}

QString CSysMessageDlg::firstLine() const
{
    return m_first->text();
}

QString CSysMessageDlg::secondLine() const
{
    return m_second->text();
}

} // namespace tonva
