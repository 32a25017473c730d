#pragma once

#include "app/ui/FrameView.h"
#include "inventory/InstrumentInventory.h"
#include "model/ui/SetupPage.h"

#include <QDate>
#include <QWidget>
#include <memory>

namespace tonva {

class CTestSetupPS;
class CVemoraDoc;
class Interaction;
class PreferenceStore;
class ViewHost;
struct TestSetup;

// The set-up of the current audiometer test. The pages edit a working copy; OK checks the audiometer
// and only then hands the copy to the document and goes on to the measurement summary. Cancel, or
// leaving for another view, writes nothing.
class CTestSetupView final : public QWidget, public FrameView, public SetupHost
{
    Q_OBJECT
public:
    CTestSetupView(CVemoraDoc &document, PreferenceStore &preferences, Interaction &interaction,
                   ViewHost &host, QDate today = QDate::currentDate(), QWidget *parent = nullptr);
    ~CTestSetupView() override;

    CTestSetupPS &sheet() const { return *m_sheet; }
    const TestSetup &working() const { return *m_working; }

    // OK: false when a check kept the window open.
    bool accept();
    void cancel();

    bool editRetspl(EarphoneSlot &slot) override;

private:
    void warnAboutInstrumentsFilledIn();

    CVemoraDoc &m_document;
    Interaction &m_interaction;
    ViewHost &m_host;
    QDate m_today;
    std::unique_ptr<TestSetup> m_working;
    CalibrationDueWarner m_dueWarner;
    SetupContext m_context;
    CTestSetupPS *m_sheet;
};

} // namespace tonva
