#include "app/CVemoraDoc.h"
#include "app/ui/CMainFrame.h"
#include "app/ui/CPreferencesView.h"
#include "app/ui/CTestNotesView.h"
#include "demo/DemoLaboratory.h"
#include "inventory/InstrumentInventory.h"
#include "platform/Clock.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;

class ViewsInFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        doc.NewTest();
        ASSERT_NE(doc.database(), nullptr);
        InstrumentInventory instruments(doc.inventory(), interaction, QDate::currentDate().year());
        ASSERT_TRUE(demo::addInstruments(instruments));
    }
    void click(const char *button)
    {
        auto *found = frame.viewWidget()->findChild<QPushButton *>(QString::fromLatin1(button));
        ASSERT_NE(found, nullptr) << button;
        found->click();
        // The view that asked to go back is deleted once its click has returned.
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TempDir dir;
    PreferenceStore store{dir.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
    VirtualClock clock;
    CVemoraDoc doc{store, interaction, dir.file(QStringLiteral("data/"))};
    CMainFrame frame{FrameServices{store, interaction, clock, doc, {}, {}}};
};

TEST_F(ViewsInFrameTest, PreferencesAndNotesOpenFromTheMenuAndGoBackWhenClosed)
{
    frame.run(ShellCommand::Preferences);
    ASSERT_EQ(frame.currentView(), ViewId::Preferences);
    ASSERT_NE(qobject_cast<CPreferencesView *>(frame.viewWidget()), nullptr);
    frame.viewWidget()
        ->findChild<QLineEdit *>(QStringLiteral("companyName"))
        ->setText(QStringLiteral("Quellmark"));
    click("okButton");
    EXPECT_EQ(frame.currentView(), ViewId::Idle);
    EXPECT_EQ(store.readText(QStringLiteral("Preferences"), QStringLiteral("CompanyName"), QString()),
              QStringLiteral("Quellmark"));

    frame.run(ShellCommand::TestNotes);
    ASSERT_EQ(frame.currentView(), ViewId::TestNotes);
    ASSERT_NE(qobject_cast<CTestNotesView *>(frame.viewWidget()), nullptr);
    click("cancelButton");
    EXPECT_EQ(frame.currentView(), ViewId::Idle);
}

} // namespace
} // namespace tonva
