#include "app/ui/CPrefsRS232Dlg.h"

#include "app/ui/CPrefsRS232PP.h"
#include "platform/ui/OkCancelButtons.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

CPrefsRS232Dlg::CPrefsRS232Dlg(CVemoraDoc &document, Interaction &interaction, QWidget *parent,
                               const PortLister &ports)
    : QDialog(parent), m_document(document), m_interaction(interaction),
      m_choice(ports(document.preferenceBlock()), document.preferenceBlock())
{
    setWindowTitle(QStringLiteral("Set SLM Port"));
    m_page = new CPrefsRS232PP(m_choice, this);
    QDialogButtonBox *buttons = okCancelButtons(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_page);
    layout->addWidget(buttons);
}

bool CPrefsRS232Dlg::run(CVemoraDoc &document, Interaction &interaction, QWidget *parent)
{
    CPrefsRS232Dlg dialog(document, interaction, parent);
    return dialog.exec() == QDialog::Accepted;
}

void CPrefsRS232Dlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_noticeShown)
        return;
    m_noticeShown = true;
    if (!m_choice.notInServiceNotice().isEmpty())
        m_interaction.message(m_choice.notInServiceNotice());
}

void CPrefsRS232Dlg::accept()
{
    m_page->collect();
    m_choice.applyTo(m_document.preferenceBlock());
    m_document.SavePreferences();
    QDialog::accept();
}

} // namespace tonva
