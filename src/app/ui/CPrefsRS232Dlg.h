#pragma once

#include "app/CVemoraDoc.h"
#include "app/SlmPortChoice.h"
#include "platform/Interaction.h"

#include <QDialog>

namespace tonva {

class CPrefsRS232PP;

// "Set SLM Port" (SLM menu): the port and baud rate lists. OK stores the choice in the document's
// block and writes the block at once, so a choice survives a program that never ends cleanly.
class CPrefsRS232Dlg : public QDialog
{
    Q_OBJECT
public:
    CPrefsRS232Dlg(CVemoraDoc &document, Interaction &interaction, QWidget *parent = nullptr,
                   const PortLister &ports = listMachinePorts);

    // Runs the dialog; true when the technician pressed OK.
    static bool run(CVemoraDoc &document, Interaction &interaction, QWidget *parent);

    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    CVemoraDoc &m_document;
    Interaction &m_interaction;
    SlmPortChoice m_choice;
    CPrefsRS232PP *m_page;
    bool m_noticeShown = false;
};

} // namespace tonva
