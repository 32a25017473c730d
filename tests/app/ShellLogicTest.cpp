#include "app/CVemoraApp.h"
#include "app/CVemoraDoc.h"
#include "app/MeasurementSummary.h"
#include "app/Preferences.h"
#include "app/ShellCommands.h"
#include "app/ViewHistory.h"
#include "model/FixedText.h"
#include "platform/PreferenceStore.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;
using V = ViewId;

std::vector<V> views(std::initializer_list<int> ids)
{
    std::vector<V> out;
    for (const int id : ids)
        out.push_back(static_cast<V>(id));
    return out;
}

TEST(ViewHistoryTest, GoingBackRetracesTheViewsAndTheBoothOrSummaryStartAfresh)
{
    ViewHistory history;
    for (const V view : {V::Instruments, V::TestSetup, V::AudTest, V::TestNotes})
        EXPECT_EQ(history.push(view), ViewHistory::PushResult::Pushed);
    EXPECT_EQ(history.entries(), views({0, 1, 4, 6, 7}));
    EXPECT_EQ(history.pop(), V::AudTest);

    // Returning to a view already shown drops what came after it.
    history.push(V::TestNotes);
    history.push(V::Instruments);
    EXPECT_EQ(history.entries(), views({0, 1}));

    history.push(V::TestSetup);
    history.push(V::Summary);
    EXPECT_EQ(history.entries(), views({0, 5}));
    history.push(V::TestNotes);
    history.push(V::Booth);
    EXPECT_EQ(history.entries(), views({0, 3}));
    EXPECT_EQ(history.push(V::Booth), ViewHistory::PushResult::Unchanged);

    EXPECT_EQ(history.pop(), V::Idle);
    EXPECT_EQ(history.pop(), V::Idle); // the bottom stays
    history.push(V::Preferences);
    history.push(V::Idle);
    EXPECT_EQ(history.entries(), views({0}));
}

TEST(ViewHistoryTest, ATenthDistinctViewDoesNotFitAndLeavesTheHistoryAsItWas)
{
    ViewHistory history;
    // The history keeps view numbers; numbers past the known views stand for further views here.
    for (const int id : {1, 2, 4, 6, 7, 8, 9, 10, 11})
        ASSERT_EQ(history.push(static_cast<V>(id)), ViewHistory::PushResult::Pushed) << id;
    const std::vector<V> full = history.entries();
    ASSERT_EQ(full.size(), std::size_t(ViewHistory::kCapacity));
    EXPECT_EQ(history.push(static_cast<V>(12)), ViewHistory::PushResult::Full);
    EXPECT_EQ(history.entries(), full);
    // A view already in a full history is still found.
    EXPECT_EQ(history.push(V::AudTest), ViewHistory::PushResult::Pushed);
    EXPECT_EQ(history.entries(), views({0, 1, 2, 4, 6}));
}

// The enabling table, view by view, as the technician meets it with the meter connected.
TEST(ShellCommandsTest, MenuEnablingFollowsTheTableInEveryView)
{
    using C = ShellCommand;
    struct Row
    {
        C command;
        // Enabled in views 0..8.
        std::array<bool, 9> inView;
    };
    constexpr bool y = true, n = false;
    const Row table[] = {
        {C::ChangeDatabase, {y, y, y, y, y, y, y, y, y}},
        {C::NewMeasurement, {y, n, n, n, n, n, n, n, n}},
        {C::Save, {y, n, n, n, n, y, n, n, n}},
        {C::AudiometerTest, {y, n, n, n, n, n, n, n, n}},
        {C::TestNotes, {y, y, y, y, y, y, y, y, y}},
        {C::BoothTest, {y, n, n, n, n, n, n, n, n}},
        {C::Instrumentation, {y, n, n, n, n, n, n, n, n}},
        {C::Preferences, {y, y, y, y, y, y, y, y, y}},
        {C::StoredMeasurements, {y, n, n, n, n, n, n, n, n}},
        {C::MeasurementSummary, {y, y, y, y, y, y, y, y, y}},
        {C::Report, {n, n, n, y, n, y, n, n, n}},
        {C::Certificate, {n, n, n, y, n, y, n, n, n}},
        {C::Export, {n, n, n, y, n, y, n, n, n}},
        {C::CompareWith, {n, n, n, y, n, y, n, n, n}},
        {C::ImportSetup, {n, n, n, n, n, n, n, n, n}}, // the microphone page is not showing
        {C::Exit, {y, y, y, y, y, y, y, y, y}},
        {C::Connect, {n, n, n, n, n, n, n, n, n}},
        {C::Disconnect, {y, y, y, y, y, y, y, y, y}},
        {C::CheckBattery, {y, y, y, y, y, y, y, y, y}},
        {C::TurnOffSlm, {y, y, y, y, y, y, y, y, y}},
        {C::Calibration, {n, n, n, n, n, n, n, n, n}}, // the test has no meter and calibrator
        {C::SetPort, {y, y, y, y, y, y, y, y, y}},
        {C::About, {y, y, y, y, y, y, y, y, y}},
    };
    for (int view = 0; view < 9; ++view) {
        ShellState state;
        state.view = static_cast<V>(view);
        state.connected = true;
        for (const Row &row : table)
            EXPECT_EQ(commandEnabled(row.command, state), row.inView[std::size_t(view)])
                << "command " << int(row.command) << " in view " << view;
    }

    ShellState state;
    state.view = V::Instruments;
    state.importPageShown = true;
    EXPECT_TRUE(commandEnabled(C::ImportSetup, state));
    EXPECT_TRUE(commandEnabled(C::Connect, state));
    EXPECT_FALSE(commandEnabled(C::Disconnect, state));
    state.connected = true;
    state.testHasMeterAndCalibrator = true;
    EXPECT_TRUE(commandEnabled(C::Calibration, state));
}

TEST(ShellCommandsTest, WhileBusyOnlyCommandsThatTouchNothingRunningStayEnabled)
{
    for (const bool connecting : {false, true}) {
        ShellState state;
        state.view = V::Idle;
        state.connected = !connecting;
        state.runBusy = !connecting;
        state.connecting = connecting;
        for (int c = 0; c < kShellCommandCount; ++c) {
            const auto command = static_cast<ShellCommand>(c);
            EXPECT_EQ(commandEnabled(command, state), harmlessWhileBusy(command)) << c;
        }
    }
    for (const ShellCommand destructive :
         {ShellCommand::Exit, ShellCommand::Disconnect, ShellCommand::TurnOffSlm,
          ShellCommand::MeasurementSummary, ShellCommand::NewMeasurement})
        EXPECT_FALSE(harmlessWhileBusy(destructive));
}

TEST(ShellCommandsTest, ViewsPastSetUpNeedInstrumentsFirstThenPreferences)
{
    EXPECT_EQ(redirectView(V::Summary, false, false).view, V::Instruments);
    EXPECT_EQ(redirectView(V::Summary, false, false).message, QStringLiteral("Must define equipment first."));
    EXPECT_EQ(redirectView(V::AudTest, true, false).view, V::Preferences);
    EXPECT_EQ(redirectView(V::AudTest, true, false).message,
              QStringLiteral("Must set program preferences first."));
    for (const V free : {V::Idle, V::Instruments, V::Preferences}) {
        const ViewRedirect redirect = redirectView(free, false, false);
        EXPECT_EQ(redirect.view, free);
        EXPECT_TRUE(redirect.message.isEmpty());
    }
    EXPECT_TRUE(redirectView(V::TestNotes, true, true).message.isEmpty());
}

TEST(ShellCommandsTest, EveryMissingInstrumentKindIsListedInOneMessage)
{
    Inventory inventory;
    EXPECT_EQ(
        *missingInstrumentsMessage(inventory),
        QStringLiteral("The following items have not been entered yet (in Instrumentation)\nbut need to "
                       "be before setting up a measurement:\n    Sound Level Meter\n    Calibrator\n    "
                       "Microphone\n    Preamp\n"));
    inventory.list(InventoryType::Calibrator).emplace_back();
    inventory.list(InventoryType::Preamplifier).emplace_back();
    EXPECT_TRUE(missingInstrumentsMessage(inventory)->endsWith(
        QStringLiteral("measurement:\n    Sound Level Meter\n    Microphone\n")));
    inventory.list(InventoryType::SoundLevelMeter).emplace_back();
    inventory.list(InventoryType::Microphone).emplace_back();
    EXPECT_FALSE(missingInstrumentsMessage(inventory).has_value());
    EXPECT_TRUE(instrumentsDefined(inventory));
}

TEST(RegionalModeTest, TheMarkerFilesFirstLineChoosesTheMode)
{
    const auto modeFor = [](const QByteArray *content) {
        TempDir folder;
        if (content) {
            QFile marker(folder.file(QStringLiteral("AlternateFile")));
            EXPECT_TRUE(marker.open(QIODevice::WriteOnly));
            marker.write(*content);
        }
        return CVemoraApp::readRegionalMode(folder.path());
    };
    const QByteArray yes("yes\n"), australia("Australia\nYES\n"), late("12345678901YES\n"),
        cut("123456789012YES"), other("no\n"), empty;
    EXPECT_EQ(modeFor(nullptr), RegionalMode::Normal);
    EXPECT_EQ(modeFor(&yes), RegionalMode::Alternate);
    EXPECT_EQ(modeFor(&australia), RegionalMode::Australian); // only the first line counts
    EXPECT_EQ(modeFor(&late), RegionalMode::Alternate);       // 14 characters are read
    EXPECT_EQ(modeFor(&cut), RegionalMode::Normal);           // "YES" ends after them
    EXPECT_EQ(modeFor(&other), RegionalMode::Normal);
    EXPECT_EQ(modeFor(&empty), RegionalMode::Normal);
}

TEST(CommandLineTest, OptionsAreReadAndMistakesStopTheStart)
{
    const ParsedCommandLine parsed = CVemoraApp::parseCommandLine(
        {QStringLiteral("tonva"), QStringLiteral("--db"), QStringLiteral("/tmp/a.sqlite"),
         QStringLiteral("--port"), QStringLiteral("sim"), QStringLiteral("--sim-profile"),
         QStringLiteral("faulty")});
    ASSERT_TRUE(parsed.options.has_value());
    EXPECT_EQ(parsed.options->databasePath, QStringLiteral("/tmp/a.sqlite"));
    EXPECT_EQ(parsed.options->portName, QStringLiteral("sim"));
    EXPECT_EQ(parsed.options->simProfile, QStringLiteral("faulty"));

    const ParsedCommandLine help =
        CVemoraApp::parseCommandLine({QStringLiteral("tonva"), QStringLiteral("--help")});
    EXPECT_FALSE(help.options.has_value());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.text.contains(QStringLiteral("--sim-profile")));
    const ParsedCommandLine wrong =
        CVemoraApp::parseCommandLine({QStringLiteral("tonva"), QStringLiteral("--bogus")});
    EXPECT_FALSE(wrong.options.has_value());
    EXPECT_NE(wrong.exitCode, 0);
    const ParsedCommandLine stray =
        CVemoraApp::parseCommandLine({QStringLiteral("tonva"), QStringLiteral("x.mdb")});
    EXPECT_FALSE(stray.options.has_value());

    PreferenceBlock block;
    StartupOptions none;
    EXPECT_EQ(CVemoraApp::meterPortName(none, block), QString()); // the numbered port, then
    EXPECT_FALSE(CVemoraApp::meterPortLabel(none, block).isEmpty());
    block.slmPortName = QStringLiteral(" /dev/ttyUSB3");
    EXPECT_EQ(CVemoraApp::meterPortName(none, block), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(CVemoraApp::meterPortName(*parsed.options, block), QStringLiteral("sim"));
}

TEST(SummaryYearTest, TwoDigitYearsSplitAtNinetyAndYearsUpTo1900AreNotStored)
{
    EXPECT_EQ(MeasurementSummary::yearFromText(QStringLiteral("5")), 2005);
    EXPECT_EQ(MeasurementSummary::yearFromText(QStringLiteral("0")), 2000);
    EXPECT_EQ(MeasurementSummary::yearFromText(QStringLiteral("89")), 2089);
    EXPECT_EQ(MeasurementSummary::yearFromText(QStringLiteral("90")), 1990);
    EXPECT_EQ(MeasurementSummary::yearFromText(QStringLiteral("95")), 1995);
    EXPECT_EQ(MeasurementSummary::yearFromText(QStringLiteral("2024")), 2024);
    EXPECT_EQ(MeasurementSummary::yearFromText(QStringLiteral("1901")), 1901);
    for (const char *refused : {"1899", "1900", "100", "", "abc", "-5", "20245"})
        EXPECT_FALSE(MeasurementSummary::yearFromText(QLatin1String(refused)).has_value()) << refused;
    EXPECT_EQ(MeasurementSummary::statusText(1), QStringLiteral("Pass"));
    EXPECT_EQ(MeasurementSummary::statusText(-1), QStringLiteral("FAIL"));
    EXPECT_EQ(MeasurementSummary::statusText(99), QStringLiteral("n/a"));
    EXPECT_EQ(MeasurementSummary::statusText(0), QStringLiteral(" - "));
    EXPECT_EQ(MeasurementSummary::statusText(7), QStringLiteral(" - "));
}

class SummaryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        document.NewTest();
        setFixedText(document.currentTest().setup.testDate, "2023-04-17");
        document.setModified(false);
    }

    TempDir folder;
    PreferenceStore preferences{folder.file(QStringLiteral("p.ini"))};
    ScriptedInteraction interaction;
    CVemoraDoc document{preferences, interaction, folder.path()};
    MeasurementSummary summary{document, interaction};
};

TEST_F(SummaryTest, TheTechnicianIsStoredAndMarksTheTestEvenWhenNothingElseChanged)
{
    SummaryFields fields = summary.fields();
    EXPECT_EQ(fields.yearText, QStringLiteral("2023"));
    EXPECT_EQ(fields.month, 4);
    EXPECT_EQ(fields.dayText, QStringLiteral("17"));
    fields.technician = QStringLiteral("  Ann Lee ");
    EXPECT_EQ(summary.store(fields), QStringLiteral("Ann Lee"));
    EXPECT_EQ(displayText(document.currentTest().setup.technician), QStringLiteral("Ann Lee"));
    EXPECT_TRUE(document.isModified());

    document.setModified(false);
    summary.store(summary.fields());
    EXPECT_FALSE(document.isModified()); // storing what is there already changes nothing
}

TEST_F(SummaryTest, YearRulesDecideWhetherTheDateIsStored)
{
    const auto storedDate = [&](const char *year, int month, const char *day) {
        setFixedText(document.currentTest().setup.testDate, "2023-04-17");
        summary.store({QLatin1String(year), month, QLatin1String(day), QStringLiteral("T")});
        return displayText(document.currentTest().setup.testDate);
    };
    EXPECT_EQ(storedDate("5", 2, "3"), QStringLiteral("2005-02-03"));
    EXPECT_EQ(storedDate("95", 12, "31"), QStringLiteral("1995-12-31"));
    EXPECT_EQ(storedDate("1899", 1, "1"), QStringLiteral("2023-04-17"));
    // A day the month does not have would be stored as a date no one can read back.
    EXPECT_EQ(storedDate("2024", 2, "30"), QStringLiteral("2023-04-17"));
    EXPECT_EQ(storedDate("2024", 2, "29"), QStringLiteral("2024-02-29"));
}

TEST_F(SummaryTest, DoneNeedsATechnicianAndCancelAsksOnlyAboutChanges)
{
    interaction.expectMessage(
        QStringLiteral("You must enter a technician before leaving the audiometer measurements."));
    EXPECT_FALSE(summary.done({QStringLiteral("2023"), 4, QStringLiteral("17"), QStringLiteral("   ")}));
    EXPECT_TRUE(summary.done({QStringLiteral("2023"), 4, QStringLiteral("17"), QStringLiteral("Bo")}));

    EXPECT_TRUE(summary.cancel()); // unchanged: no question
    document.setModified(true);
    const QString question = QStringLiteral("There were changes in the test. \nDo you really want to exit?");
    interaction.expectAsk(question, Answer::No);
    EXPECT_FALSE(summary.cancel());
    EXPECT_TRUE(document.isModified());
    interaction.expectAsk(question, Answer::Yes);
    EXPECT_TRUE(summary.cancel());
    EXPECT_FALSE(document.isModified());
    interaction.verifyDone();
}

TEST_F(SummaryTest, SaveChecksInstrumentsThenPreferencesAndStoresTheTypedFields)
{
    interaction.expectMessage(QStringLiteral("Must define equipment first."));
    interaction.expectMessage(QStringLiteral("Must set program preferences first."));
    const SummaryFields fields{QStringLiteral("24"), 6, QStringLiteral("01"), QStringLiteral("Cy")};
    EXPECT_FALSE(summary.save(fields, false, true));
    EXPECT_FALSE(summary.save(fields, true, false));
    EXPECT_EQ(displayText(document.currentTest().setup.technician), QString());

    setFixedText(document.currentTest().setup.audiometerModel, "AC40");
    setFixedText(document.currentTest().setup.audiometerSerialNumber, "S1");
    EXPECT_TRUE(summary.save(fields, true, true));
    EXPECT_EQ(displayText(document.currentTest().setup.testDate), QStringLiteral("2024-06-01"));
    EXPECT_GE(document.currentRowId(), 0);
    EXPECT_FALSE(document.isModified());
    interaction.verifyDone();
}

} // namespace
} // namespace tonva
