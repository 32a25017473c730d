#include "app/CVemoraDoc.h"
#include "gui/FrameFixture.h"
#include "app/ui/CMainFrame.h"
#include "demo/DemoLaboratory.h"
#include "inventory/InstrumentInventory.h"
#include "measure/HearingLevelPageFixture.h"
#include "measure/ui/CAdjustLevelDlg.h"
#include "measure/ui/CAdjustSpeechDlg.h"
#include "platform/PreferenceIndex.h"
#include "sim/AcousticScene.h"
#include "measure/ui/CTempHumidityDlg.h"
#include "measure/ui/CTestAllView.h"
#include "measure/ui/InputLevelFields.h"
#include "meter/MeterSource.h"
#include "model/FixedText.h"
#include "platform/ui/MessageBoxInteraction.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;

template<class T> T *child(QWidget &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// ---- temperature and humidity ---------------------------------------------------------------------

const char *const kHumidityRefused = "Invalid entry in Humidity field.\nMust be between 4 and 100%";
const char *const kTemperatureRefused = "Invalid entry in temperature field.";

TEST(TempHumidityDlgTest, OkKeepsTheDialogOpenOnEachRefusalAndAcceptsTheBoundaries)
{
    struct Case
    {
        const char *temperature;
        const char *humidity;
        const char *refusal; // null: accepted
    };
    const Case cases[] = {
        {"23.0", "3", kHumidityRefused}, {"23.0", "101", kHumidityRefused}, {"23.0", "4", nullptr},
        {"23.0", "100", nullptr},        {"23,5", "50", nullptr},           {"2.3.5", "50", kTemperatureRefused},
        {".5", "50", kTemperatureRefused},
    };
    const TestConditions proposed{23.0f, 760.0f, 50};
    for (const Case &c : cases) {
        ScriptedInteraction interaction;
        if (c.refusal)
            interaction.expectMessage(QString::fromLatin1(c.refusal));
        CTempHumidityDlg dialog(proposed, interaction);
        dialog.show();
        child<QLineEdit>(dialog, "temperature")->setText(QString::fromLatin1(c.temperature));
        child<QLineEdit>(dialog, "humidity")->setText(QString::fromLatin1(c.humidity));
        child<QPushButton>(dialog, "okButton")->click();
        interaction.verifyDone();
        EXPECT_EQ(dialog.isVisible(), c.refusal != nullptr) << c.temperature << " / " << c.humidity;
        if (c.refusal) {
            EXPECT_EQ(child<QLineEdit>(dialog, "humidity")->text(), QString::fromLatin1(c.humidity))
                << "what was typed stays for correcting";
            EXPECT_EQ(dialog.conditions().humidity, 50);
        } else {
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.conditions().humidity, QString::fromLatin1(c.humidity).toShort());
        }
    }
}

// The modal entry point as a measurement page uses it: Cancel leaves the proposed values, a refused
// OK stores nothing, and the values arrive only with the OK that passes.
TEST(TempHumidityDlgTest, RunHandsBackValuesOnlyOnAnAcceptedOk)
{
    ScriptedInteraction interaction;
    TestConditions conditions{23.0f, 760.0f, 50};
    const auto whenShown = [](std::function<void(QWidget &)> act) {
        QTimer::singleShot(0, [act] {
            QWidget *dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
        });
    };

    whenShown([](QWidget &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Temperature / Humidity"));
        EXPECT_EQ(child<QLineEdit>(dialog, "temperature")->text(), QStringLiteral("23.0"));
        EXPECT_EQ(child<QLineEdit>(dialog, "pressure")->text(), QStringLiteral("760.00"));
        EXPECT_EQ(child<QLineEdit>(dialog, "humidity")->text(), QStringLiteral("50"));
        child<QLineEdit>(dialog, "temperature")->setText(QStringLiteral("21.5"));
        child<QPushButton>(dialog, "cancelButton")->click();
    });
    EXPECT_FALSE(CTempHumidityDlg::run(conditions, interaction, nullptr));
    EXPECT_FLOAT_EQ(conditions.temperature, 23.0f);

    // The set-up form, as the sheet's Humidity/Temp button uses it.
    TestSetup setup;
    setup.temperature = conditions.temperature;
    setup.pressure = conditions.pressure;
    setup.humidity = conditions.humidity;
    interaction.expectMessage(QStringLiteral("Temperature must be between 17.0 and 29.0."));
    whenShown([&setup](QWidget &dialog) {
        child<QLineEdit>(dialog, "temperature")->setText(QStringLiteral("30"));
        child<QLineEdit>(dialog, "pressure")->setText(QStringLiteral("29,92"));
        child<QPushButton>(dialog, "okButton")->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FLOAT_EQ(setup.temperature, 23.0f) << "nothing stored while the dialog is open";
        child<QLineEdit>(dialog, "temperature")->setText(QStringLiteral("21,5"));
        child<QPushButton>(dialog, "okButton")->click();
    });
    ASSERT_TRUE(CTempHumidityDlg::run(setup, interaction, nullptr));
    EXPECT_FLOAT_EQ(setup.temperature, 21.5f);
    EXPECT_FLOAT_EQ(setup.pressure, 29.92f);
    EXPECT_EQ(setup.humidity, 50);
}

// A page asks through its Interaction; at the screen that is the dialog the program hands in.
TEST(TempHumidityDlgTest, TheMessageBoxInteractionAnswersThePagesQuestionWithTheDialog)
{
    MessageBoxInteraction screen;
    TestConditions proposed{23.0f, 760.0f, 50};
    EXPECT_EQ(screen.askTestConditions(proposed), Answer::Ok) << "no dialog: the proposal stands";
    EXPECT_EQ(proposed.humidity, 50);

    screen.setTestConditionsDialog([&screen](TestConditions &conditions, QWidget *parent) {
        return CTempHumidityDlg::run(conditions, screen, parent);
    });
    const auto typeAndPress = [](const char *humidity, const char *button) {
        QTimer::singleShot(0, [humidity, button] {
            QWidget *dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            child<QLineEdit>(*dialog, "humidity")->setText(QLatin1String(humidity));
            child<QPushButton>(*dialog, button)->click();
        });
    };
    typeAndPress("41", "okButton");
    EXPECT_EQ(screen.askTestConditions(proposed), Answer::Ok);
    EXPECT_EQ(proposed.humidity, 41);
    typeAndPress("77", "cancelButton");
    EXPECT_EQ(screen.askTestConditions(proposed), Answer::Cancel);
    EXPECT_EQ(proposed.humidity, 41);
}

// ---- adjust level ---------------------------------------------------------------------------------

class AdjustLevelDlgTest : public test::HearingLevelPageFixture
{
protected:
    void play(double hertz)
    {
        Stimulus stimulus;
        stimulus.transducer = TransducerType::SupraAural;
        stimulus.frequencyHz = hertz;
        stimulus.dialLevel = 70.0;
        present(stimulus);
    }
};

TEST_F(AdjustLevelDlgTest, ShowsTheLevelOfTheChosenFrequencyAndStopsWhenTheTechnicianGivesUp)
{
    record = test::hearingLevelRecord({500, 1000, 8000});
    HearingLevelAdjust adjust(link, files, record->setup, TransducerType::SupraAural, frequencyIndex(1000));
    ASSERT_TRUE(adjust.prepare());
    CAdjustLevelDlg dialog(adjust);
    dialog.show();
    auto *list = child<QListWidget>(dialog, "frequencyList");
    auto *level = child<QLabel>(dialog, "levelValue");
    auto *hearingLevel = child<QLabel>(dialog, "hearingLevelValue");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("1000.0")) << "the frequency measured last";

    levelError = {{1000, 2.0}};
    play(1000);
    dialog.tick();
    EXPECT_NEAR(level->text().toDouble(), 79.0, 0.15) << "70 dB HL + 7 dB reference + 2 dB error";
    EXPECT_NEAR(hearingLevel->text().toDouble(), 72.0, 0.15);
    EXPECT_TRUE(dialog.readingsRunning()) << "a reading that came back starts the next";

    list->setCurrentRow(0); // 500 Hz, where nothing plays
    EXPECT_TRUE(level->text().isEmpty()) << "the old reading belonged to 1000 Hz";
    dialog.tick();
    EXPECT_LT(level->text().toDouble(), 40.0);

    // The meter stops answering; the technician gives up at the question.
    port.Close();
    technician.expectAsk(QStringLiteral("Unable to retrieve data from the Trellan.\n Verify that it is powered "
                                        "on, stable, and connected to the PC. Then press OK!"),
                         Answer::Cancel);
    const QString lastLevel = level->text();
    dialog.tick();
    EXPECT_FALSE(dialog.readingsRunning()) << "no question every second after Cancel";
    EXPECT_EQ(level->text(), lastLevel);
    child<QPushButton>(dialog, "okButton")->click();
    EXPECT_FALSE(dialog.isVisible());
    technician.verifyDone();
}

TEST_F(AdjustLevelDlgTest, TheTimerReadsTheMeterOnItsOwnUntilOk)
{
    record = test::hearingLevelRecord({1000});
    HearingLevelAdjust adjust(link, files, record->setup, TransducerType::SupraAural, -1);
    ASSERT_TRUE(adjust.prepare());
    play(1000);
    CAdjustLevelDlg dialog(adjust);
    dialog.show();
    dialog.startReadings();
    auto *level = child<QLabel>(dialog, "levelValue");
    QElapsedTimer waited;
    waited.start();
    while (level->text().isEmpty() && waited.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_NEAR(level->text().toDouble(), 77.0, 0.15);
    child<QPushButton>(dialog, "okButton")->click();
    EXPECT_FALSE(dialog.readingsRunning());
}

TEST_F(AdjustLevelDlgTest, SpeechOverallReadsCWeightedAndTheBasisIsKept)
{
    // Speech noise with much of its energy at 31.5 Hz, where C weighting takes 3 dB off: a flat
    // reading would not match what the audiometer states.
    BroadbandNoise noise = BroadbandNoise::flatPerBand(-100.0);
    noise.bandLevels[4] = 80.0;
    noise.bandLevels[meter::kBand1kHz] = 75.0;
    simulator.scene().setSound(noise);
    const double weighted = simulator.scene().overallLevelDb(meter::kGainZeroDb, Weighting::C);
    ASSERT_GT(simulator.scene().overallLevelDb(meter::kGainZeroDb, Weighting::Flat) - weighted, 1.0);

    preferences.write(preference::AdjustBasis, static_cast<int>(SpeechAdjustBasis::Overall));
    SpeechAdjust adjust(link, files, record->setup, TransducerType::SupraAural, 20.0, preferences);
    ASSERT_TRUE(adjust.prepare());
    EXPECT_EQ(link.GetWeighting(), 1) << "C weighting for the overall level";
    CAdjustSpeechDlg dialog(adjust);
    dialog.show();
    auto *level = child<QLabel>(dialog, "levelValue");
    auto *hearingLevel = child<QLabel>(dialog, "hearingLevelValue");
    EXPECT_TRUE(child<QRadioButton>(dialog, "overallBasis")->isChecked());
    dialog.tick();
    EXPECT_NEAR(level->text().toDouble(), weighted, 0.15);
    EXPECT_NEAR(hearingLevel->text().toDouble(), weighted - 20.0, 0.15);

    child<QRadioButton>(dialog, "oneKilohertzBasis")->click();
    EXPECT_TRUE(level->text().isEmpty()) << "the old reading was of the other basis";
    dialog.tick();
    EXPECT_NEAR(level->text().toDouble(), 75.0, 0.15);
    child<QPushButton>(dialog, "okButton")->click();
    EXPECT_EQ(preferences.read(preference::AdjustBasis), static_cast<int>(SpeechAdjustBasis::OneKilohertz));
    technician.verifyDone();
}

// ---- input levels ---------------------------------------------------------------------------------

TEST(InputLevelPagesTest, CommonLevelAndEditsReachTheLevelsAndLinkedBlocksOnlyOnApply)
{
    DialLevels levels{};
    DialLevels otherChannel{};
    DialLevels binaural{};
    std::fill(std::begin(levels), std::end(levels), std::int16_t{70});
    InputLevelPage low(InputLevelRange::Low, levels, &otherChannel, &binaural);
    CLowInputLevelsPP page(low);
    EXPECT_EQ(page.windowTitle(), QStringLiteral("Low Freq. Input Levels"));
    EXPECT_EQ(page.field(25), nullptr) << "9000 Hz belongs to the high page";
    ASSERT_NE(page.field(0), nullptr);

    child<QSpinBox>(page, "commonLevel")->setValue(55);
    child<QPushButton>(page, "setCommonButton")->click();
    for (int f = 0; f <= 24; ++f)
        EXPECT_EQ(page.field(f)->value(), 55) << f;
    // A value typed but not yet confirmed still counts.
    page.field(12)->findChild<QLineEdit *>()->setText(QStringLiteral("35"));
    EXPECT_EQ(levels[12], 70) << "nothing reaches the record before apply";

    page.apply();
    EXPECT_EQ(levels[0], 55);
    EXPECT_EQ(levels[12], 35);
    EXPECT_EQ(levels[25], 70) << "outside the page";
    EXPECT_EQ(otherChannel[12], 35);
    EXPECT_EQ(binaural[24], 55);
    EXPECT_EQ(binaural[25], 0);

    DialLevels high{};
    InputLevelPage highLogic(InputLevelRange::High, high, nullptr, nullptr);
    CHighInputLevelsPP highPage(highLogic);
    child<QPushButton>(highPage, "defaultsButton")->click();
    highPage.apply();
    EXPECT_EQ(high[24], 0);
    EXPECT_EQ(high[25], 70);
    EXPECT_EQ(high[38], 70);
}

TEST(InputLevelPagesTest, BoneDefaultsLockTheFieldsAndApplyRemembersThemForTheNextTest)
{
    TempDir dir;
    PreferenceStore store(dir.file(QStringLiteral("prefs.ini")));
    DialLevels levels{};
    DialLevels otherChannel{};
    InputLevelPage bone(InputLevelRange::Bone, levels, &otherChannel, nullptr);
    CBoneInputLvlsPP page(bone, &store);
    EXPECT_EQ(page.windowTitle(), QStringLiteral("Bone vibrator input levels"));
    EXPECT_EQ(page.field(4), nullptr);
    EXPECT_EQ(page.field(25), nullptr);

    child<QPushButton>(page, "defaultsButton")->click();
    EXPECT_EQ(page.field(5)->value(), 20) << "250 Hz";
    for (int f = 6; f <= 24; ++f)
        EXPECT_EQ(page.field(f)->value(), 40) << f;

    page.field(8)->setValue(15); // 500 Hz
    auto *useDefaults = child<QCheckBox>(page, "useDefaults");
    useDefaults->setChecked(true);
    EXPECT_FALSE(page.field(8)->isEnabled());
    EXPECT_EQ(page.field(8)->value(), 40) << "the defaults are what is used";
    useDefaults->setChecked(false);
    EXPECT_TRUE(page.field(8)->isEnabled());
    page.field(8)->setValue(15);
    page.apply();
    EXPECT_EQ(levels[8], 15);
    EXPECT_EQ(otherChannel[8], 15);
    EXPECT_EQ(levels[5], 20);
    EXPECT_EQ(store.readInt("Settings", InputLevelPage::boneSettingName(8), -1), 15)
        << "remembered on apply, without a save";
}

// ---- select measurements --------------------------------------------------------------------------

// Of all its buttons only Cancel acts: the boxes may be ticked, but nothing is measured or left.
TEST(TestAllViewTest, OnlyCancelLeavesAndItReturnsToTheSummary)
{
    TempDir folder;
    PreferenceStore preferences(folder.file(QStringLiteral("prefs.ini")));
    ScriptedInteraction interaction;
    VirtualClock clock;
    MeterSource meterSource(MeterSource::builtInName(), clock);
    CVemoraDoc document(preferences, interaction, folder.path());
    document.NewTest();
    {
        InstrumentInventory inventory(document.inventory(), interaction, 2024);
        ASSERT_TRUE(demo::addInstruments(inventory));
    }
    document.setSetupAccepted(true);
    setFixedText(document.currentTest().setup.testDate, "2023-04-17");
    CMainFrame frame(test::frameServices(preferences, interaction, clock, document, meterSource));
    frame.show();
    ASSERT_TRUE(frame.switchView(ViewId::Summary));
    ASSERT_TRUE(frame.switchView(ViewId::TestAll));
    auto *view = qobject_cast<CTestAllView *>(frame.viewWidget());
    ASSERT_NE(view, nullptr);
    child<QPushButton>(*view, "selectAllButton")->click();
    EXPECT_TRUE(view->checkBox(11, 4)->isChecked());
    child<QPushButton>(*view, "clearAllButton")->click();
    EXPECT_FALSE(view->checkBox(0, 0)->isChecked());
    for (const char *idle : {"measureAllButton", "measureSelectedButton", "prevButton", "nextButton"})
        child<QPushButton>(*view, idle)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(frame.currentView(), ViewId::TestAll);
    child<QPushButton>(*view, "cancelButton")->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame.currentView(), ViewId::Summary);
    EXPECT_EQ(frame.viewWidget()->objectName(), QStringLiteral("summaryView"));
    frame.hide();
    interaction.verifyDone();
}

} // namespace
} // namespace tonva
