#include "app/CVemoraDoc.h"
#include "app/ui/CMainFrame.h"
#include "demo/DemoLaboratory.h"
#include "gui/FrameFixture.h"
#include "gui/RecordingViewHost.h"
#include "gui/SetupFilling.h"
#include "inventory/InstrumentInventory.h"
#include "meter/MeterSource.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "model/SetupRules.h"
#include "model/ui/CTestSetupPS.h"
#include "model/ui/CTestSetupView.h"
#include "platform/Clock.h"
#include "storage/Recordsets.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace tonva {
namespace {

using test::child;
using test::fillAudiometer;
using test::fillSupraAural;
using test::frequencyBox;
using test::page;
using test::RecordingViewHost;
using test::tick;
using test::type;
using Audiometer = test::AudiometerEntries;
using test::ScriptedInteraction;
using test::TempDir;
using C = ShellCommand;
using V = ViewId;

const QDate kToday(2026, 12, 8);

const char *const kEveryPage[] = {
    "CTestLocationPP",  "CTestEquipPP",   "CTestCalibratorPP", "CTestMastoidPP",  "CTestMicrophonesPP",
    "CTestAudInfoPP",   "CTestAudFreqPP", "CTestAudHFreqPP",   "CTestAudSupraPP", "CTestAudInsertPP",
    "CTestAudCircumPP", "CTestAudBonePP", "CTestAudSpeakersPP"};

bool sameSetup(const TestSetup &a, const TestSetup &b)
{
    return std::memcmp(&a, &b, sizeof(TestSetup)) == 0;
}

// The lab of the demo (one meter, preamplifier, calibrator and microphone, the built-in earphones),
// a database in a scratch folder, preferences set, and a new test.
class SetupViewTest : public ::testing::Test, protected test::FrameDesk
{
protected:
    void SetUp() override
    {
        document.NewTest();
        ASSERT_NE(document.database(), nullptr);
        InstrumentInventory instruments(document.inventory(), interaction, kToday.year());
        ASSERT_TRUE(demo::addInstruments(instruments));
        document.SavePreferences();
    }
    void TearDown() override
    {
        test::closeFrame(frame);
        interaction.verifyDone();
    }

    CMainFrame &openFrame() { return showFrame(); }
    CTestSetupView *setupView() const { return qobject_cast<CTestSetupView *>(frame->viewWidget()); }

    RecordingViewHost host;
};

// From the idle view through every page the set-up needs to the summary, saved; the same set-up made
// by code through the same rules is the same set-up block byte for byte.
TEST_F(SetupViewTest, ATestSetUpInTheWindowIsStoredExactlyAsTheRulesSetItUp)
{
    openFrame().action(C::AudiometerTest)->trigger();
    ASSERT_EQ(frame->currentView(), V::TestSetup);
    CTestSetupView &view = *setupView();
    EXPECT_EQ(view.sheet().currentPage()->objectName(), QStringLiteral("CTestLocationPP"));

    QWidget &location = page(view, "CTestLocationPP");
    type(location, "customerEdit", QStringLiteral("Riverside Hearing Clinic"));
    type(location, "location1Edit", QStringLiteral("Room 2"));
    fillAudiometer(view, {});
    QWidget &low = page(view, "CTestAudFreqPP");
    tick(low, frequencyBox(160), true);
    child<QPushButton>(low, QStringLiteral("defaultFrequenciesButton"))->click();
    tick(page(view, "CTestAudHFreqPP"), frequencyBox(10000), true);
    ASSERT_NO_FATAL_FAILURE(fillSupraAural(view, QStringLiteral("TL-1"), QStringLiteral("TR-2")));
    // Nothing reaches the test before OK.
    EXPECT_TRUE(fixedTextIsEmpty(document.currentTest().setup.audiometerModel));

    child<QPushButton>(view, QStringLiteral("okButton"))->click();
    ASSERT_EQ(frame->currentView(), V::Summary);
    EXPECT_TRUE(document.setupAccepted());
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("AD-1-SN77[*] - Tonva"));
    EXPECT_EQ(frame->history().entries(), (std::vector<V>{V::Idle, V::Summary}));

    type(*frame->viewWidget(), "technicianEdit", QStringLiteral("Smith"));
    frame->action(C::Save)->trigger();
    const std::vector<AudTestRow> rows = CAudTestMeasRS(*document.database()).list();
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_TRUE(document.LoadTest(rows[0].id));
    const TestSetup stored = document.currentTest().setup;
    document.NewTest(QDate::fromString(QString::fromLatin1(fixedText(stored.testDate)), Qt::ISODate));
    TestSetup byCode = document.OpenSetup();
    setFixedText(byCode.technician, "Smith");
    setFixedText(byCode.customerName, "Riverside Hearing Clinic");
    setFixedText(byCode.location1, "Room 2");
    setFixedText(byCode.audiometerManufacturer, "Aldero Instruments Co. Ltd. Extra");
    setFixedText(byCode.audiometerModel, "AD-1");
    setFixedText(byCode.audiometerSerialNumber, "SN77");
    setFixedText(byCode.audiometerType, "3");
    setFixedText(byCode.audiometerInventoryNumber, "INV-7");
    setFixedText(byCode.audiometerCalibrationDue, "2027-06-30");
    setFixedText(byCode.audiometerLastCalibrated, "2025-11-05");
    byCode.fmRate = 5.0f;
    byCode.fmDeviation = 10.0f;
    byCode.channelCount = 2;
    byCode.channelToTest = 1;
    byCode.transducerOptions.transducerAvailable[int(TransducerType::SupraAural)] = 1;
    byCode.transducerOptions.transducerAvailable[int(TransducerType::BoneVibrator)] = 1;
    byCode.frequencyAvailable[frequencyIndex(160)] = 1;
    SetDefaultFrequencies(byCode);
    byCode.frequencyAvailable[frequencyIndex(10000)] = 1;
    {
        EarphonePage earphones(EarphonePage::Kind::SupraAural, byCode, document.inventory(), preferences,
                               interaction);
        ASSERT_TRUE(earphones.changeCoupler(2));
        earphones.choose(int(earphones.modelNames().indexOf(QStringLiteral("TDH 39"))));
        earphones.setSerialNumbers(QStringLiteral("TL-1"), QStringLiteral("TR-2"));
    }
    ASSERT_TRUE(document.ApplySetup(byCode));
    EXPECT_TRUE(sameSetup(document.currentTest().setup, stored));
}

// The audiometer checks in their order; each keeps the window open and the test untouched, and the
// FM warning lets the technician go on.
TEST_F(SetupViewTest, EachAudiometerCheckKeepsTheWindowOpenUntilItPasses)
{
    const QString fmWarning = QStringLiteral(
        "Warning: Audiometer FM parameters are invalid.\n\nFor FM measurements the modulation rate must be "
        "between 4 and 20 Hz\nand the frequency deviation must be between 5 and 25 %.\n\nClick OK to use the "
        "audiometer anyway.\n\n(You will not be allowed to make FM measurements with this audiometer.)");
    struct Case
    {
        const char *what;
        std::function<void(Audiometer &)> change;
        QString message;
        std::optional<Answer> answer; // the FM warning is a question
        bool accepted;
    };
    const Case cases[] = {
        {"no serial number", [](Audiometer &a) { a.serial = QStringLiteral("  "); },
         QStringLiteral("Please enter a serial number for the audiometer."), std::nullopt, false},
        {"no model", [](Audiometer &a) { a.model.clear(); },
         QStringLiteral("Please enter a model number for the audiometer."), std::nullopt, false},
        {"due a century ago", [](Audiometer &a) { a.dueYear = QStringLiteral("1926"); },
         QStringLiteral(
             "Audiometer Calibration Due Year is invalid.\nMust be 4-digit year within 100 years."),
         std::nullopt, false},
        {"no frequency", [](Audiometer &a) { a.frequencies = false; },
         QStringLiteral("Please enter the frequencies for the audiometer."), std::nullopt, false},
        {"FM rate too low, Cancel", [](Audiometer &a) { a.fmRate = QStringLiteral("3.9"); }, fmWarning,
         Answer::Cancel, false},
        {"FM deviation not a number, OK", [](Audiometer &a) { a.fmDeviation = QStringLiteral("inf"); },
         fmWarning, Answer::Ok, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        document.NewTest(kToday);
        const TestSetup before = document.currentTest().setup;
        host.switches.clear();
        CTestSetupView view(document, preferences, interaction, host, kToday);
        Audiometer audiometer;
        c.change(audiometer);
        fillAudiometer(view, audiometer);
        if (c.answer)
            interaction.expectAsk(c.message, *c.answer);
        else
            interaction.expectMessage(c.message);
        EXPECT_EQ(view.accept(), c.accepted);
        interaction.verifyDone();
        EXPECT_EQ(document.setupAccepted(), c.accepted);
        if (c.accepted) {
            ASSERT_EQ(host.switches.size(), 1u);
            EXPECT_EQ(host.switches[0].view, V::Summary);
            EXPECT_EQ(document.currentTest().setup.fmDeviation, 0.0f);
        } else {
            EXPECT_TRUE(host.switches.empty());
            EXPECT_TRUE(sameSetup(document.currentTest().setup, before));
            EXPECT_FALSE(document.isModified());
        }
    }
}

TEST_F(SetupViewTest, DefaultFrequenciesKeepWhatWasUntickedAndAPageKeepsItsTicksWhenLeft)
{
    CTestSetupView view(document, preferences, interaction, host, kToday);
    QWidget &low = page(view, "CTestAudFreqPP");
    tick(low, frequencyBox(160), true);
    tick(low, frequencyBox(200), true);
    tick(low, frequencyBox(160), false);
    child<QPushButton>(low, QStringLiteral("defaultFrequenciesButton"))->click();
    page(view, "CTestAudHFreqPP");
    page(view, "CTestAudFreqPP");

    const std::vector<double> expected = {125, 200, 250, 500, 750, 1000, 1500, 2000, 3000, 4000, 6000, 8000};
    for (int index = 0; index < kFrequencyCount; ++index) {
        const double hertz = testFrequencies()[std::size_t(index)];
        const bool on = std::find(expected.begin(), expected.end(), hertz) != expected.end();
        EXPECT_EQ(view.working().frequencyAvailable[index], on ? 1 : 0) << hertz;
        if (index <= kLastConventionalFrequency) {
            EXPECT_EQ(child<QCheckBox>(low, QStringLiteral("frequency_%1").arg(index))->isChecked(), on)
                << hertz;
        }
    }
}

// The lab's only calibrator goes into a new test by itself; overdue, the technician hears of it once,
// and not again for a test that already has it.
TEST_F(SetupViewTest, AnOverdueInstrumentFilledInIsWarnedAboutOnce)
{
    InventoryEntry &entry = document.inventory().list(InventoryType::Calibrator).at(0);
    CalibratorData calibrator = entry.bodyAs<CalibratorData>();
    setFixedText(calibrator.identity.calibrationDue, "2026-12-07");
    entry.setBody(calibrator);

    interaction.expectMessage(
        QStringLiteral("The calibrator CAL 94 SN-%1 was due for calibration on 2026-12-07.")
            .arg(displayText(calibrator.identity.serialNumber)));
    {
        CTestSetupView view(document, preferences, interaction, host, kToday);
        page(view, "CTestCalibratorPP");
        page(view, "CTestEquipPP");
        interaction.verifyDone();
        EXPECT_FALSE(fixedTextIsEmpty(view.working().calibrator.identity.serialNumber));
    }
    document.currentTest().setup.calibrator = calibrator;
    CTestSetupView again(document, preferences, interaction, host, kToday);
}

// A set-up opened on an accepted test: Cancel and leaving for another view write nothing, and OK after
// visiting every page without changing anything keeps every byte, a date this program would write
// differently and an earphone the inventory lacks included.
TEST_F(SetupViewTest, CancelLeavingAndAnUntouchedOkKeepTheTestAsItWas)
{
    AudTestRecord &test = document.currentTest();
    ASSERT_TRUE(demo::setUpTest(test, document.inventory(), preferences, interaction, QDate::currentDate()));
    setFixedText(test.setup.audiometerLastCalibrated, "30.06.2025");
    // An earphone this laboratory's inventory does not know (the test came from another one).
    setFixedText(test.setup.insert.model, "ER-9Z");
    setFixedText(test.setup.insert.manufacturer, "Elsewhere");
    setFixedText(test.setup.insert.leftSerialNumber, "L-9");
    test.setup.insert.kind = 1;
    test.setup.insert.couplerCode = 3;
    test.setup.insert.retspl[12] = 0.5f;
    document.setSetupAccepted(true);
    const TestSetup before = test.setup;

    openFrame().action(C::MeasurementSummary)->trigger();
    ASSERT_EQ(frame->currentView(), V::Summary);
    const auto openSetup = [&] {
        child<QPushButton>(*frame->viewWidget(), QStringLiteral("goToSetupButton"))->click();
        ASSERT_EQ(frame->currentView(), V::TestSetup);
    };

    openSetup();
    type(page(*setupView(), "CTestAudInfoPP"), "modelEdit", QStringLiteral("Changed"));
    child<QPushButton>(*setupView(), QStringLiteral("cancelButton"))->click();
    EXPECT_EQ(frame->currentView(), V::Summary);
    EXPECT_TRUE(sameSetup(test.setup, before));
    EXPECT_FALSE(document.isModified());

    openSetup();
    type(page(*setupView(), "CTestLocationPP"), "customerEdit", QStringLiteral("Changed"));
    frame->action(C::MeasurementSummary)->trigger();
    EXPECT_EQ(frame->currentView(), V::Summary);
    EXPECT_TRUE(sameSetup(test.setup, before));

    openSetup();
    for (const char *name : kEveryPage)
        page(*setupView(), name);
    child<QPushButton>(*setupView(), QStringLiteral("okButton"))->click();
    EXPECT_EQ(frame->currentView(), V::Summary);
    EXPECT_TRUE(sameSetup(test.setup, before));
    EXPECT_EQ(fixedText(test.setup.audiometerLastCalibrated), "30.06.2025");
    EXPECT_EQ(fixedText(test.setup.insert.model), "ER-9Z");
}

} // namespace
} // namespace tonva
