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

// The walk 1, 4, 6, 7, back to 6, the summary starting afresh and a full history are checked through
// the main window.
TEST(ViewHistoryTest, ReturningToAShownViewDropsWhatCameAfterAndTheBottomStays)
{
    ViewHistory history;
    for (const V view : {V::Instruments, V::TestSetup, V::AudTest, V::TestNotes, V::Instruments})
        EXPECT_EQ(history.push(view), ViewHistory::PushResult::Pushed);
    EXPECT_EQ(history.entries(), views({0, 1}));

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

TEST(ShellCommandsTest, EnablingFollowsTheConnectionTheShownPageAndTheBusyState)
{
    ShellState state;
    state.view = V::Instruments;
    state.importPageShown = true;
    EXPECT_TRUE(commandEnabled(ShellCommand::ImportSetup, state));
    EXPECT_TRUE(commandEnabled(ShellCommand::Connect, state));
    EXPECT_FALSE(commandEnabled(ShellCommand::Disconnect, state));
    state.connected = true;
    state.testHasMeterAndCalibrator = true;
    EXPECT_TRUE(commandEnabled(ShellCommand::Calibration, state));

    // While busy only the commands that touch nothing running stay enabled.
    for (const bool connecting : {false, true}) {
        state = ShellState();
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
    // All four missing, the full text, is checked through the main window's Audiometer Test.
    Inventory inventory;
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

TEST(SummaryStatusTest, ResultCodesReadAsPassFailOrNotApplicable)
{
    const std::pair<int, const char *> cases[] = {{1, "Pass"}, {-1, "FAIL"}, {99, "n/a"}, {0, " - "}, {7, " - "}};
    for (const auto &[code, text] : cases)
        EXPECT_EQ(MeasurementSummary::statusText(code), QLatin1String(text)) << code;
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

// Two-digit years split at ninety; years up to 1900, and days the month does not have (which would be
// stored as a date no one can read back), are not stored.
TEST_F(SummaryTest, YearRulesDecideWhetherTheDateIsStored)
{
    struct Case
    {
        const char *year;
        int month;
        const char *day;
        const char *stored;
    };
    const char *unchanged = "2023-04-17";
    const Case cases[] = {
        {"5", 2, "3", "2005-02-03"},   {"0", 1, "1", "2000-01-01"},   {"89", 1, "1", "2089-01-01"},
        {"90", 1, "1", "1990-01-01"},  {"95", 12, "31", "1995-12-31"}, {"2024", 2, "29", "2024-02-29"},
        {"1901", 1, "1", "1901-01-01"}, {"1899", 1, "1", unchanged},   {"1900", 1, "1", unchanged},
        {"100", 1, "1", unchanged},    {"", 1, "1", unchanged},        {"abc", 1, "1", unchanged},
        {"-5", 1, "1", unchanged},     {"20245", 1, "1", unchanged},  {"2024", 2, "30", unchanged},
    };
    for (const Case &c : cases) {
        setFixedText(document.currentTest().setup.testDate, unchanged);
        summary.store({QLatin1String(c.year), c.month, QLatin1String(c.day), QStringLiteral("T")});
        EXPECT_EQ(displayText(document.currentTest().setup.testDate), QLatin1String(c.stored)) << c.year;
    }
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
