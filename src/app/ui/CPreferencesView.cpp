#include "app/ui/CPreferencesView.h"

#include "app/ui/CPrefsOrgPP.h"
#include "app/ui/CPrefsRS232PP.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tonva {

namespace {

const char *const kItems[] = {"Organization", "RS232 Port"};
const char *const kTitles[] = {"Calibration Facility Name", "Communications Port Options"};

} // namespace

CPreferencesView::CPreferencesView(CVemoraDoc &document, PreferenceStore &store, Interaction &interaction,
                                   ViewHost &host, QWidget *parent, const PortLister &ports)
    : QWidget(parent), m_document(document), m_store(store), m_interaction(interaction), m_host(host),
      m_organization(OrganizationSettings::read(document.preferenceBlock(), store)),
      m_port(ports(document.preferenceBlock()), document.preferenceBlock())
{
    auto *itemsLabel = new QLabel(QStringLiteral("System setup items"), this);
    m_items = new QListWidget(this);
    m_items->setObjectName(QStringLiteral("setupItems"));
    for (const char *item : kItems)
        m_items->addItem(QString::fromLatin1(item));
    m_items->setFixedWidth(160);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("pageTitle"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_title->setFont(titleFont);

    m_pages = new QStackedWidget(this);
    m_organizationPage = new CPrefsOrgPP(m_organization, m_pages);
    m_portPage = new CPrefsRS232PP(m_port, m_pages);
    m_pages->addWidget(m_organizationPage);
    m_pages->addWidget(m_portPage);
    // Forty-character fields and short lists read badly stretched across a wide window.
    m_pages->setMaximumWidth(640);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, &CPreferencesView::accept);
    // The frame may destroy this view while going back, so nothing follows the call.
    connect(cancel, &QPushButton::clicked, this, [this] { m_host.goBack(); });

    auto *left = new QVBoxLayout;
    left->addWidget(itemsLabel);
    left->addWidget(m_items);
    auto *right = new QVBoxLayout;
    right->addWidget(m_title);
    right->addWidget(m_pages, 1, Qt::AlignLeft);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addSpacing(12);
    columns->addLayout(right, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(buttons);

    connect(m_items, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            showPage(Page(row));
    });
    m_items->setCurrentRow(int(Page::Organization));
}

void CPreferencesView::showPage(Page page)
{
    const int index = int(page);
    if (m_items->currentRow() != index) {
        m_items->setCurrentRow(index); // comes back here through currentRowChanged
        return;
    }
    m_pages->setCurrentIndex(index);
    m_title->setText(QString::fromLatin1(kTitles[index]));
    // Told once, when the page is first opened, so the technician picks another port there.
    if (page == Page::Rs232Port && !m_portPageOpened) {
        m_portPageOpened = true;
        if (!m_port.notInServiceNotice().isEmpty())
            m_interaction.message(m_port.notInServiceNotice());
    }
}

void CPreferencesView::accept()
{
    m_organizationPage->collect();
    PreferenceBlock &block = m_document.preferenceBlock();
    m_organization.apply(block, m_store);
    // A page never opened changes nothing: a stored rate the list does not offer stays as it is.
    if (m_portPageOpened) {
        m_portPage->collect();
        m_port.applyTo(block);
    }
    m_document.SavePreferences();
    m_host.goBack();
}

} // namespace tonva
