#include "app/CVemoraDoc.h"
#include "app/ui/CAboutDlg.h"
#include "app/ui/CMainFrame.h"
#include "app/ui/CSysMessageDlg.h"
#include "app/ui/CVemoraView.h"
#include "app/ui/PlaceholderView.h"
#include "demo/DemoLaboratory.h"
#include "gui/FrameFixture.h"
#include "inventory/InstrumentInventory.h"
#include "measure/HearingLevelTest.h"
#include "measure/MeasurementRun.h"
#include "meter/MeterConnection.h"
#include "model/FixedText.h"
#include "platform/Clock.h"
#include "platform/PreferenceStore.h"
#include "meter/MeterSource.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QDialog>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;
using C = ShellCommand;
using V = ViewId;

// The main window offscreen, with a script for the technician, the built-in meter on virtual time and
// a database in a scratch folder.
class MainFrameTest : public ::testing::Test, protected test::FrameDesk
{
protected:
    void TearDown() override
    {
        test::closeFrame(frame);
        interaction.verifyDone();
    }

    // The window as the program opens it: the first new test opens the database.
    CMainFrame &open(bool withDatabase = true)
    {
        if (withDatabase) {
            document.NewTest();
            EXPECT_NE(document.database(), nullptr);
        }
        return showFrame();
    }

    // After open(): the first new test loads the (empty) inventory of the new database.
    void defineInstruments()
    {
        InstrumentInventory inventory(document.inventory(), interaction, 2024);
        ASSERT_TRUE(demo::addInstruments(inventory));
    }

    void startMeasurement()
    {
        document.setSetupAccepted(true);
        setFixedText(document.currentTest().setup.testDate, "2023-04-17");
    }

    // Lets the views the frame retired go, as the event loop would.
    static void settle() { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    template<class T> T *inView(const char *name) const
    {
        T *child = frame->viewWidget()->findChild<T *>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
};

TEST_F(MainFrameTest, WithoutADatabaseEveryTestCommandSaysSoAndNoViewChanges)
{
    open(false);
    const std::pair<C, const char *> commands[] = {{C::AudiometerTest, "opening a new Audiometer test"},
                                                   {C::TestNotes, "writing notes for a test"},
                                                   {C::BoothTest, "opening a new booth test"},
                                                   {C::Instrumentation, "defining instruments"},
                                                   {C::Preferences, "setting preferences"}};
    for (const auto &[command, what] : commands) {
        interaction.expectMessage(QStringLiteral("Must connect to a database before %1!\nSelect/create a "
                                                 "database with File/Change Database.")
                                      .arg(QLatin1String(what)));
        frame->action(command)->trigger();
        EXPECT_EQ(frame->currentView(), V::Idle);
        EXPECT_EQ(frame->viewWidget()->objectName(), QStringLiteral("idleView"));
    }
    EXPECT_EQ(frame->history().entries(), std::vector<V>{V::Idle});
}

// The history as the technician walks it: the instruments come first, going back retraces the views,
// the summary starts afresh and a tenth distinct view does not fit.
TEST_F(MainFrameTest, AudiometerTestWithoutInstrumentsOpensThemAndTheHistoryRetracesTheViews)
{
    open();
    interaction.expectMessage(
        QStringLiteral("The following items have not been entered yet (in Instrumentation)\n"
                       "but need to be before setting up a measurement:\n    Sound Level "
                       "Meter\n    Calibrator\n    Microphone\n    Preamp\n"));
    frame->action(C::AudiometerTest)->trigger();
    EXPECT_EQ(frame->currentView(), V::Instruments);
    EXPECT_EQ(frame->history().entries(), (std::vector<V>{V::Idle, V::Instruments}));
    // Views past the set-up lead back to the instruments until they exist.
    interaction.expectMessage(QStringLiteral("Must define equipment first."));
    EXPECT_TRUE(frame->switchView(V::TestNotes));
    EXPECT_EQ(frame->currentView(), V::Instruments);
    frame->goBack();
    ASSERT_EQ(frame->currentView(), V::Idle);

    defineInstruments();
    startMeasurement();
    frame->action(C::Instrumentation)->trigger();
    ASSERT_TRUE(frame->switchView(V::TestSetup));
    // Once, before the first sheet.
    int calibrationsShown = 0;
    frame->setCalibrationDialog([&] {
        EXPECT_NE(frame->meter(), nullptr) << "the sheet connects first";
        ++calibrationsShown;
    });
    ASSERT_TRUE(frame->switchView(V::AudTest));
    EXPECT_NE(frame->meter(), nullptr);
    EXPECT_EQ(calibrationsShown, 1);
    EXPECT_TRUE(frame->meterCalibrated());
    frame->action(C::TestNotes)->trigger();
    EXPECT_EQ(frame->history().entries(),
              (std::vector<V>{V::Idle, V::Instruments, V::TestSetup, V::AudTest, V::TestNotes}));

    inView<QPushButton>("cancelButton")->click(); // the notes view closes and goes back
    settle();
    EXPECT_EQ(frame->currentView(), V::AudTest);
    EXPECT_EQ(calibrationsShown, 1) << "not again in the same program run";
    frame->goBack();
    EXPECT_EQ(frame->currentView(), V::TestSetup);

    frame->action(C::MeasurementSummary)->trigger();
    EXPECT_EQ(frame->history().entries(), (std::vector<V>{V::Idle, V::Summary}));
    EXPECT_EQ(frame->viewWidget()->objectName(), QStringLiteral("summaryView"));

    // Numbers past the known views stand for further views; the tenth entry fills the history.
    for (const int id : {1, 2, 4, 7, 9, 10, 11, 12})
        ASSERT_TRUE(frame->switchView(static_cast<V>(id))) << id;
    const std::vector<V> full = frame->history().entries();
    ASSERT_EQ(full.size(), std::size_t(ViewHistory::kCapacity));
    interaction.expectMessage(QStringLiteral("Internal error: Unable to push view onto stack."));
    frame->switchView(static_cast<V>(13));
    EXPECT_EQ(frame->history().entries(), full);
    // A view already in a full history is still found.
    EXPECT_TRUE(frame->switchView(V::TestSetup));
    EXPECT_EQ(frame->history().entries(), (std::vector<V>{V::Idle, V::Summary, V::Instruments, V::Preferences,
                                                          V::TestSetup}));
    settle();
}

TEST_F(MainFrameTest, TheSheetIsNotShownWhenTheMeterCannotBeReached)
{
    meterSource = MeterSource(folder.file(QStringLiteral("no-such-device")), clock);
    open();
    defineInstruments();
    startMeasurement();
    frame->action(C::MeasurementSummary)->trigger();
    ASSERT_EQ(frame->currentView(), V::Summary);
    interaction.expectMessageStartingWith(QStringLiteral("Unable to communicate with Trellan (error "));
    EXPECT_FALSE(frame->switchView(V::AudTest));
    EXPECT_EQ(frame->currentView(), V::Summary);
    EXPECT_EQ(frame->meter(), nullptr);
}

// The enabling table, view by view, as the technician meets it in the window with the meter connected.
TEST_F(MainFrameTest, MenuCommandsFollowTheEnablingTableInEveryView)
{
    // Views 0..8 in which each group of commands is enabled.
    const std::pair<std::vector<C>, std::array<bool, 9>> table[] = {
        {{C::ChangeDatabase, C::TestNotes, C::Preferences, C::MeasurementSummary, C::Exit, C::Disconnect,
          C::CheckBattery, C::TurnOffSlm, C::SetPort, C::About},
         {1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {{C::NewMeasurement, C::AudiometerTest, C::BoothTest, C::Instrumentation, C::StoredMeasurements},
         {1, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{C::Save}, {1, 0, 0, 0, 0, 1, 0, 0, 0}},
        {{C::Report, C::Certificate, C::Export, C::CompareWith}, {0, 0, 0, 1, 0, 1, 0, 0, 0}},
        // No microphone page is showing and the test has no meter and calibrator.
        {{C::ImportSetup, C::Connect, C::Calibration}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    open();
    defineInstruments();
    for (const bool connected : {false, true}) {
        if (connected) {
            interaction.expectMessage(QStringLiteral("Connected"));
            frame->action(C::Connect)->trigger();
        }
        for (int id = 0; id <= static_cast<int>(V::TestAll); ++id) {
            frame->showViewForPicture(static_cast<V>(id));
            frame->updateCommands();
            const ShellState state = frame->shellState();
            ASSERT_EQ(state.view, static_cast<V>(id));
            ASSERT_EQ(state.connected, connected);
            for (int c = 0; c < kShellCommandCount; ++c) // the commands the table leaves out, too
                EXPECT_EQ(frame->action(C(c))->isEnabled(), commandEnabled(C(c), state)) << c << " in " << id;
            if (!connected) {
                EXPECT_EQ(frame->action(C::NewMeasurement)->isEnabled(), id == 0);
                EXPECT_EQ(frame->action(C::Report)->isEnabled(), id == 3 || id == 5);
                EXPECT_TRUE(frame->action(C::Connect)->isEnabled());
                EXPECT_FALSE(frame->action(C::Disconnect)->isEnabled());
                continue;
            }
            for (const auto &[commands, inView] : table)
                for (const C command : commands)
                    EXPECT_EQ(frame->action(command)->isEnabled(), inView[std::size_t(id)])
                        << "command " << int(command) << " in view " << id;
        }
    }
    settle();
    // The keyboard access the menus promise.
    EXPECT_EQ(frame->action(C::ChangeDatabase)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(frame->action(C::Save)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
}

// The sheet's run tells the frame when it measures; from inside a prompt of a running measurement
// (the clock dispatches events there) nothing may end the measurement or the meter under it.
TEST_F(MainFrameTest, ARealMeasurementInProgressRefusesEveryDestructiveCommand)
{
    class ForwardingHost final : public RunHost
    {
    public:
        explicit ForwardingHost(ViewHost &frame) : m_frame(frame) {}
        bool SaveRecord() override { return true; }
        bool AskSaveData() override { return false; }
        void RecordChanged(bool) override {}
        void ReturnToSummary() override {}
        void OpenAdjust(MeasurementEntry) override {}
        void BusyChanged(bool busy) override { m_frame.runBusyChanged(busy); }

    private:
        ViewHost &m_frame;
    };

    open();
    defineInstruments();
    ASSERT_TRUE(demo::setUpTest(document.currentTest(), document.inventory(), preferences, interaction,
                                QDate(2024, 5, 6)));
    document.setSetupAccepted(true);
    frame->action(C::MeasurementSummary)->trigger();
    ASSERT_GE(frame->connectMeter(), 0);

    PageRegistry pages;
    registerHearingLevelPage(pages);
    ForwardingHost host(*frame);
    MeasurementRun run({interaction, meterSource.clock(), preferences}, pages, host, document.currentTest());
    run.AttachMeter(frame->meter()->link(), frame->meter()->fileList());
    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left);

    bool checked = false;
    interaction.whenPrompted(QStringLiteral("Set "), [&] {
        if (checked)
            return;
        checked = true;
        EXPECT_TRUE(frame->isBusy());
        for (const C command : {C::Disconnect, C::TurnOffSlm, C::Exit, C::Save, C::MeasurementSummary,
                                C::TestNotes, C::Preferences, C::ChangeDatabase, C::SetPort, C::CheckBattery})
            EXPECT_FALSE(frame->action(command)->isEnabled()) << int(command);
        // Whatever still reaches the frame (a shortcut, a view's button, the close button) is refused.
        frame->run(C::Disconnect);
        frame->run(C::TurnOffSlm);
        EXPECT_FALSE(frame->switchView(V::Idle));
        inView<QLineEdit>("technicianEdit")->setText(QStringLiteral("Ann"));
        inView<QPushButton>("doneButton")->click();
        EXPECT_FALSE(frame->close());
        EXPECT_TRUE(frame->isVisible());
        EXPECT_TRUE(frame->meter() && frame->meter()->isConnected());
        EXPECT_EQ(frame->currentView(), V::Summary);
    });
    interaction.expectAskToSet(QStringLiteral("Set 70 dBHL Left at 125 Hz"), Answer::Cancel);
    run.MeasureAll();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(frame->isBusy());
    EXPECT_TRUE(frame->action(C::Disconnect)->isEnabled());
    EXPECT_TRUE(frame->switchView(V::Idle));
}

TEST_F(MainFrameTest, ExitWithAnUnsavedTestAsksFirst)
{
    open();
    document.setModified(true);
    const QString question = QStringLiteral("Save changes to the current test?");
    interaction.expectAsk(question, Answer::Cancel);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    // Yes with a test that cannot be stored keeps the program open rather than lose it.
    interaction.expectAsk(question, Answer::Yes);
    interaction.expectMessage(QStringLiteral("You must select a Technician and an Instrument."));
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(preferences.readInt(QStringLiteral("Settings"), QStringLiteral("Data Was Modified"), 7), 0);
    preferences.writeInt(QStringLiteral("Settings"), QStringLiteral("Data Was Modified"), 1);

    interaction.expectAsk(question, Answer::No);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(preferences.readInt(QStringLiteral("Settings"), QStringLiteral("Data Was Modified"), 7), 0);
}

TEST_F(MainFrameTest, ANewMeasurementDoesNotDropAnUnsavedTestUnasked)
{
    open();
    setFixedText(document.currentTest().setup.technician, "Ann");
    document.setModified(true);
    interaction.expectAsk(QStringLiteral("Save changes to the current test?"), Answer::Cancel);
    frame->action(C::NewMeasurement)->trigger();
    EXPECT_EQ(displayText(document.currentTest().setup.technician), QStringLiteral("Ann"));
    EXPECT_TRUE(document.isModified());

    interaction.expectAsk(QStringLiteral("Save changes to the current test?"), Answer::No);
    frame->action(C::NewMeasurement)->trigger();
    EXPECT_EQ(displayText(document.currentTest().setup.technician), QString());
    EXPECT_FALSE(document.isModified());
}

// Connect and Turn Off on the built-in meter; leaving the preferences closes the port as well.
TEST_F(MainFrameTest, ConnectThenTurnOffAndPreferencesOkStoresAndClosesTheMeterPort)
{
    open();
    for (const bool turnOff : {true, false}) {
        interaction.expectMessage(QStringLiteral("Connected"));
        frame->action(C::Connect)->trigger();
        ASSERT_NE(frame->meter(), nullptr);
        EXPECT_TRUE(frame->meter()->isConnected());
        EXPECT_FALSE(frame->action(C::Connect)->isEnabled());
        EXPECT_TRUE(frame->action(C::TurnOffSlm)->isEnabled());
        if (turnOff) {
            frame->action(C::TurnOffSlm)->trigger();
            EXPECT_EQ(frame->meter(), nullptr);
            EXPECT_TRUE(frame->action(C::Connect)->isEnabled());
        }
    }
    frame->action(C::Preferences)->trigger();
    ASSERT_EQ(frame->currentView(), V::Preferences);
    EXPECT_NE(frame->meter(), nullptr);
    inView<QLineEdit>("companyName")->setText(QStringLiteral("Quellmark"));
    inView<QPushButton>("okButton")->click();
    settle();
    EXPECT_EQ(frame->currentView(), V::Idle);
    EXPECT_EQ(preferences.readText(QStringLiteral("Preferences"), QStringLiteral("CompanyName"), QString()),
              QStringLiteral("Quellmark"));
    EXPECT_EQ(frame->meter(), nullptr);
    EXPECT_TRUE(frame->action(C::Connect)->isEnabled());
}

TEST_F(MainFrameTest, TheSummaryStoresDateAndTechnicianWhenLeftAndCancelAsksOnlyAboutChanges)
{
    open();
    defineInstruments();
    startMeasurement();
    document.setModified(false);
    const auto openSummary = [&] {
        frame->action(C::MeasurementSummary)->trigger();
        ASSERT_EQ(frame->currentView(), V::Summary);
    };
    const auto click = [&](const char *button) {
        inView<QPushButton>(button)->click();
        settle();
    };
    openSummary();
    EXPECT_EQ(inView<QLineEdit>("yearEdit")->text(), QStringLiteral("2023"));
    EXPECT_EQ(inView<QComboBox>("monthCombo")->currentText(), QStringLiteral("Apr"));
    EXPECT_EQ(inView<QLineEdit>("dayEdit")->text(), QStringLiteral("17"));
    click("cancelButton"); // unchanged: no question
    EXPECT_EQ(frame->currentView(), V::Idle);

    openSummary();
    interaction.expectMessage(
        QStringLiteral("You must enter a technician before leaving the audiometer measurements."));
    inView<QLineEdit>("technicianEdit")->setText(QStringLiteral("   "));
    click("doneButton");
    EXPECT_EQ(frame->currentView(), V::Summary);
    inView<QLineEdit>("yearEdit")->setText(QStringLiteral("5"));
    inView<QLineEdit>("technicianEdit")->setText(QStringLiteral(" Ann Lee "));
    click("doneButton");
    EXPECT_EQ(frame->currentView(), V::Idle);
    EXPECT_EQ(displayText(document.currentTest().setup.testDate), QStringLiteral("2005-04-17"));
    EXPECT_EQ(displayText(document.currentTest().setup.technician), QStringLiteral("Ann Lee"));
    EXPECT_TRUE(document.isModified()); // so Exit asks about it
    EXPECT_EQ(frame->currentTechnician(), QStringLiteral("Ann Lee"));

    // Storing what is there already changes nothing.
    document.setModified(false);
    openSummary();
    click("doneButton");
    EXPECT_FALSE(document.isModified());

    openSummary();
    inView<QLineEdit>("technicianEdit")->setText(QStringLiteral("Someone Else"));
    document.setModified(true);
    const QString question = QStringLiteral("There were changes in the test. \nDo you really want to exit?");
    interaction.expectAsk(question, Answer::No);
    click("cancelButton");
    EXPECT_EQ(frame->currentView(), V::Summary);
    EXPECT_TRUE(document.isModified());
    interaction.expectAsk(question, Answer::Yes);
    click("cancelButton");
    EXPECT_EQ(frame->currentView(), V::Idle);
    EXPECT_EQ(displayText(document.currentTest().setup.technician), QStringLiteral("Ann Lee"));
    EXPECT_FALSE(document.isModified());
}

TEST_F(MainFrameTest, CommandsThatCannotRunFromTheSummarySayWhyInsteadOfFailing)
{
    open();
    defineInstruments();
    startMeasurement();
    frame->action(C::MeasurementSummary)->trigger();
    // Report is built: it first asks which sections to print.
    QString asked;
    QTimer::singleShot(0, frame.get(), [&asked] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            asked = dialog->windowTitle();
            dialog->reject();
        }
    });
    frame->action(C::Report)->trigger();
    EXPECT_EQ(asked, QStringLiteral("Select Data for Report"));
    EXPECT_EQ(frame->currentView(), V::Summary);
    interaction.expectMessage(QStringLiteral("No audiometer measurement started."));
    document.setSetupAccepted(false);
    frame->run(C::MeasurementSummary);
    interaction.expectMessage(QStringLiteral(
        "You must be in the idle view state to change the database.\nClose all views by clicking "
        "on appropriate buttons (cancel, done, etc.)."));
    frame->action(C::ChangeDatabase)->trigger();
    EXPECT_EQ(frame->currentView(), V::Summary);
}

// Test > Instrumentation lists the lab's instruments; an edit neither added nor updated is not lost
// by leaving through the menu unless the technician says so.
TEST_F(MainFrameTest, InstrumentationShowsTheInventoryAndLeavingWithAnEditAsksFirst)
{
    open();
    defineInstruments();
    frame->action(C::Instrumentation)->trigger();
    ASSERT_EQ(frame->currentView(), V::Instruments);
    auto *list = inView<QListWidget>("instrumentList");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), int(document.inventory().list(InventoryType::SoundLevelMeter).size()));
    ASSERT_GT(list->count(), 0);
    EXPECT_EQ(list->item(0)->text(), ListLabel(document.inventory().list(InventoryType::SoundLevelMeter)[0]));

    auto *serial = inView<QLineEdit>("serialEdit");
    serial->selectAll();
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("9"));
    QApplication::sendEvent(serial, &key);

    const QString question = QStringLiteral(
        "There are instrumentation changes that have not been Added or Updated.\nDo you wish to discard the "
        "changes?\n\nClick Yes to discard the changes and change to the Measurement Summary View.\nClick No to "
        "stay in the Instrumentation View.");
    interaction.expectAsk(question, Answer::No);
    frame->action(C::Preferences)->trigger();
    EXPECT_EQ(frame->currentView(), V::Instruments);
    interaction.expectAsk(question, Answer::Yes);
    frame->action(C::Preferences)->trigger();
    EXPECT_EQ(frame->currentView(), V::Preferences);
}

TEST(PlaceholderViewTest, SaysTheViewIsNotThereYetAndOffersTheWayBack)
{
    struct Host final : ViewHost
    {
        bool switchView(ViewId view, int) override
        {
            switched.push_back(view);
            return true;
        }
        void goBack() override { ++backs; }
        std::vector<ViewId> switched;
        int backs = 0;
    } host;
    PlaceholderView view(V::Booth, host);
    EXPECT_EQ(view.findChild<QLabel *>(QStringLiteral("notAvailableText"))->text(),
              QStringLiteral("The Booth Test window is not available yet in this version of Tonva."));
    view.findChild<QPushButton *>(QStringLiteral("backButton"))->click();
    view.findChild<QPushButton *>(QStringLiteral("doneButton"))->click();
    EXPECT_EQ(host.backs, 1);
    EXPECT_EQ(host.switched, std::vector<ViewId>{V::Idle});
}

TEST(AboutBoxTest, ShowsTheVersionAndTheRegionalLineOnlyInTheAlternateMode)
{
    const QString swedish =
        QStringLiteral("Quality Assurance of Audiometer Calibration by\n Swedish Audiological Society, 1996");
    for (const RegionalMode mode :
         {RegionalMode::Normal, RegionalMode::Alternate, RegionalMode::Australian}) {
        CAboutDlg about(mode);
        QStringList shown;
        for (const QLabel *label : about.findChildren<QLabel *>())
            shown << label->text();
        EXPECT_TRUE(shown.contains(QStringLiteral("Version: 2.201")));
        EXPECT_EQ(shown.contains(swedish), mode == RegionalMode::Alternate);
    }
}

TEST(SysMessageTest, ShowsItsTwoLinesWithoutBlockingAndHidesOnDismiss)
{
    QWidget owner;
    owner.show();
    CSysMessageDlg message(&owner);
    message.showMessage(QStringLiteral("Reading 1000 Hz"), QStringLiteral("Waiting for a stable level"));
    EXPECT_TRUE(message.isVisible());
    EXPECT_FALSE(message.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(message.secondLine(), QStringLiteral("Waiting for a stable level"));
    EXPECT_FALSE(message.findChild<QPushButton *>(QStringLiteral("dismissButton"))->isVisible());
    message.dismiss();
    EXPECT_FALSE(message.isVisible());
}

} // namespace
} // namespace tonva
