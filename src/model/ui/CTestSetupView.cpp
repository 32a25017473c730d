#include "model/ui/CTestSetupView.h"

#include "app/CVemoraDoc.h"
#include "app/ui/ViewHost.h"
#include "model/FixedText.h"
#include "model/TestSetup.h"
#include "model/ui/CEarphoneRetSplDlg.h"
#include "model/ui/CTestSetupPS.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

CTestSetupView::CTestSetupView(CVemoraDoc &document, PreferenceStore &preferences, Interaction &interaction,
                               ViewHost &host, QDate today, QWidget *parent)
    : QWidget(parent), m_document(document), m_interaction(interaction), m_host(host), m_today(today),
      m_working(std::make_unique<TestSetup>(document.OpenSetup())),
      m_dueWarner(interaction, today), m_context{*m_working,  document.inventory(), preferences,
                                                 interaction, m_dueWarner,          *this,
                                                 today}
{
    setObjectName(QStringLiteral("testSetupView"));
    m_sheet = new CTestSetupPS(m_context, this);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    ok->setDefault(true);
    // Both may make the frame destroy this view, so nothing follows the calls.
    connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancel, &QPushButton::clicked, this, [this] { this->cancel(); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_sheet, 1);
    layout->addWidget(buttons);

    warnAboutInstrumentsFilledIn();
}

void CTestSetupView::warnAboutInstrumentsFilledIn()
{
    // The lab's only calibrator, meter, preamp or mastoid went into the test without the technician
    // choosing it, so no page has said yet that it is overdue.
    const TestSetup &record = m_document.currentTest().setup;
    const auto filledIn = [&](InstrumentKind kind, const char(&before)[13], const char(&now)[13]) {
        const auto &list = m_document.inventory().list(inventoryTypeOf(kind));
        if (fixedTextIsEmpty(before) && !fixedTextIsEmpty(now) && list.size() == 1)
            m_dueWarner.instrumentChosen(kind, list.front());
    };
    filledIn(InstrumentKind::SoundLevelMeter, record.soundLevelMeter.serialNumber,
             m_working->soundLevelMeter.serialNumber);
    filledIn(InstrumentKind::Preamplifier, record.preamplifier.serialNumber,
             m_working->preamplifier.serialNumber);
    filledIn(InstrumentKind::Calibrator, record.calibrator.identity.serialNumber,
             m_working->calibrator.identity.serialNumber);
    filledIn(InstrumentKind::Mastoid, record.mastoid.identity.serialNumber,
             m_working->mastoid.identity.serialNumber);
}

CTestSetupView::~CTestSetupView()
{
    // The pages hold the context and the working copy: they go first.
    delete m_sheet;
}

bool CTestSetupView::accept()
{
    m_sheet->collectCurrent();
    if (!m_document.ApplySetup(*m_working, m_today))
        return false;
    m_host.switchView(ViewId::Summary);
    return true;
}

void CTestSetupView::cancel()
{
    m_host.goBack();
}

bool CTestSetupView::editRetspl(EarphoneSlot &slot)
{
    return CEarphoneRetSplDlg::edit(slot, m_interaction, this);
}

} // namespace tonva
