#pragma once

#include "app/CVemoraDoc.h"
#include "app/Preferences.h"
#include "app/SlmPortChoice.h"
#include "app/ui/ViewHost.h"
#include "platform/Interaction.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QStackedWidget;

namespace tonva {

class CPrefsOrgPP;
class CPrefsRS232PP;

// The preferences view: the list of set-up items beside the page of the one chosen, Ok and Cancel.
// Nothing reaches the document or the store before Ok; Cancel leaves both as they were.
class CPreferencesView : public QWidget
{
    Q_OBJECT
public:
    enum class Page
    {
        Organization,
        Rs232Port
    };

    CPreferencesView(CVemoraDoc &document, PreferenceStore &store, Interaction &interaction, ViewHost &host,
                     QWidget *parent = nullptr, const PortLister &ports = listMachinePorts);

    void showPage(Page page);

private:
    void accept();

    CVemoraDoc &m_document;
    PreferenceStore &m_store;
    Interaction &m_interaction;
    ViewHost &m_host;
    OrganizationSettings m_organization;
    SlmPortChoice m_port;
    bool m_portPageOpened = false;

    QListWidget *m_items;
    QLabel *m_title;
    QStackedWidget *m_pages;
    CPrefsOrgPP *m_organizationPage;
    CPrefsRS232PP *m_portPage;
};

} // namespace tonva
