#include "app/CVemoraDoc.h"
#include "app/ui/CMainFrame.h"
#include "app/ui/CSaveNowDlg.h"
#include "demo/BenchCoupling.h"
#include "demo/DemoLaboratory.h"
#include "gui/FrameFixture.h"
#include "gui/SetupFilling.h"
#include "measure/HearingLevelEvaluation.h"
#include "measure/ui/CAudTestView.h"
#include "measure/ui/InputLevelFields.h"
#include "measure/ui/MeasurementPageWidget.h"
#include "meter/MeterConnection.h"
#include "meter/MeterSource.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "platform/Clock.h"
#include "platform/PreferenceStore.h"
#include "sim/BuiltInSimulator.h"
#include "sim/SceneDriver.h"
#include "sim/SimulatedAudiometer.h"
#include "sim/SimulatedTechnician.h"
#include "storage/Recordsets.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::TempDir;
using C = ShellCommand;
using V = ViewId;

// The simulated technician at the window, with a chance to click elsewhere while a "Set ..." prompt
// is up, as a person could while a measurement waits for them.
class WatchedTechnician final : public Interaction
{
public:
    explicit WatchedTechnician(SimulatedTechnician &technician) : m_technician(technician) {}

    void message(const QString &text) override { m_technician.message(text); }
    Answer ask(const QString &text, Buttons buttons) override { return m_technician.ask(text, buttons); }
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override
    {
        if (std::function<void()> once = std::exchange(duringNextSet, {}))
            once();
        return m_technician.askToSet(text, stimulus, buttons);
    }
    std::unique_ptr<Progress> openProgress(const QString &caption, int low, int high, int step) override
    {
        return m_technician.openProgress(caption, low, high, step);
    }

    std::function<void()> duringNextSet;

private:
    SimulatedTechnician &m_technician;
};

// The main window offscreen on the built-in meter (virtual time) with a simulated audiometer on its
// coupler, a careful simulated technician and a database in a scratch folder.
class MeasurementSheetTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        test::closeFrame(frame);
        EXPECT_TRUE(technician->unknownQuestions().isEmpty())
            << technician->unknownQuestions().join(QLatin1Char('\n')).toStdString();
    }

    // A test of the demo audiometer set up by code, and the summary view showing it.
    void start(const char *profileName)
    {
        ASSERT_NO_FATAL_FAILURE(openBench(profileName));
        ASSERT_TRUE(demo::setUpTest(document->currentTest(), document->inventory(), preferences,
                                    *interaction, QDate(2024, 5, 6)));
        document->setSetupAccepted(true);
        audiometer->setCoupling(demo::couplingFor(document->currentTest().setup));
        openFrame();
        frame->action(C::MeasurementSummary)->trigger();
        ASSERT_EQ(frame->currentView(), V::Summary);
    }

    // The audiometer with its profile, the technician at it, and a new test in a laboratory that has
    // the demo's instruments; nothing set up yet.
    void openBench(const char *profileName)
    {
        audiometer = std::make_unique<SimulatedAudiometer>(
            scene, *AudiometerProfile::load(QLatin1String(profileName)));
        technician = std::make_unique<SimulatedTechnician>(*audiometer);
        interaction = std::make_unique<WatchedTechnician>(*technician);
        document = std::make_unique<CVemoraDoc>(preferences, *interaction, folder.path());
        document->NewTest();
        InstrumentInventory inventory(document->inventory(), *interaction, 2024);
        ASSERT_TRUE(demo::addInstruments(inventory));
    }

    void openFrame()
    {
        const FrameServices services = test::frameServices(preferences, *interaction, clock, *document, meterSource);
        frame = std::make_unique<CMainFrame>(services);
        // The calibration dialog has tests of its own; here it only has to come once.
        frame->setCalibrationDialog([this] {
            ++calibrationDialogs;
            // While it reads the meter nothing may disconnect it or change the view.
            EXPECT_FALSE(frame->action(C::Disconnect)->isEnabled());
            EXPECT_FALSE(frame->switchView(V::Idle));
        });
        frame->show();
    }

    // Go To Measurement on a row of the summary.
    CAudTestView *goToMeasurement(int row)
    {
        auto *grid = frame->viewWidget()->findChild<QTableWidget *>(QStringLiteral("statusGrid"));
        grid->selectRow(row);
        click("goToMeasurementButton");
        auto *sheet = qobject_cast<CAudTestView *>(frame->viewWidget());
        EXPECT_NE(sheet, nullptr);
        return sheet;
    }

    void click(const char *name)
    {
        auto *button = frame->viewWidget()->findChild<QPushButton *>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template<class T> T *inView(const char *name) const
    {
        return frame->viewWidget()->findChild<T *>(QLatin1String(name));
    }

    // The row of the page's list that shows `hertz`.
    static int rowOf(const AudTestRecord &record, double hertz)
    {
        const std::vector<int> frequencies = selectedFrequencies(record.setup, HearingLevelMode::HearingLevel);
        for (std::size_t i = 0; i < frequencies.size(); ++i) {
            if (nominalHz(frequencies[i]) == hertz)
                return static_cast<int>(i);
        }
        return -1;
    }

    int transcriptLinesWith(const QString &text) const
    {
        return static_cast<int>(technician->transcript().filter(text).size());
    }

    TempDir folder;
    PreferenceStore preferences{folder.file(QStringLiteral("prefs.ini"))};
    VirtualClock clock;
    MeterSource meterSource{MeterSource::builtInName(), clock};
    LocalSceneDriver scene{meterSource.simulator()->scene()};
    std::unique_ptr<SimulatedAudiometer> audiometer;
    std::unique_ptr<SimulatedTechnician> technician;
    std::unique_ptr<WatchedTechnician> interaction;
    std::unique_ptr<CVemoraDoc> document;
    std::unique_ptr<CMainFrame> frame;
    int calibrationDialogs = 0;
};

TEST_F(MeasurementSheetTest, HearingLevelOfTheLeftEarphoneIsMeasuredInTheWindowAndStoredWithItsStatus)
{
    start("good");
    audiometer->setEarOnCoupler(Ear::Left);
    CAudTestView *sheet = goToMeasurement(0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(calibrationDialogs, 1); // before the first sheet
    EXPECT_EQ(inView<QLabel>("windowText")->text(), QStringLiteral("Hearing Level"));
    auto *transducers = inView<QListWidget>("transducerList");
    EXPECT_EQ(transducers->count(), 5);
    EXPECT_EQ(transducers->currentItem()->text(), QStringLiteral("Supra-aural Earphone"));
    EXPECT_EQ(inView<QComboBox>("earCombo")->currentText(), QStringLiteral("Left"));
    EXPECT_TRUE(inView<QPushButton>("adjustButton")->isVisible());
    EXPECT_FALSE(inView<QPushButton>("measureSelectedButton")->isEnabled()); // no row selected yet
    EXPECT_TRUE(inView<QLabel>("clockLine")->text().contains(QRegularExpression(
        QStringLiteral("^(0[1-9]|1[0-2]):[0-5][0-9] (AM|PM)$"))));

    // The input-level pages sit beside the page; a level typed there is the one asked for.
    auto *tabs = inView<QTabBar>("pageTabs");
    ASSERT_EQ(tabs->count(), 3);
    tabs->setCurrentIndex(1);
    auto *lowLevels = qobject_cast<InputLevelFields *>(inView<QStackedWidget>("pageArea")->currentWidget());
    ASSERT_NE(lowLevels, nullptr);
    int f1000 = 0;
    while (nominalHz(f1000) != 1000.0)
        ++f1000;
    lowLevels->field(f1000)->setValue(60);
    tabs->setCurrentIndex(0);

    click("measureAllButton");
    const AudTestRecord &record = document->currentTest();
    EXPECT_EQ(transcriptLinesWith(QStringLiteral("Set 60 dBHL Left at 1000 Hz")), 1);
    EXPECT_EQ(transcriptLinesWith(QStringLiteral("Set 70 dBHL Left at 2000 Hz")), 1);
    MeasurementPageWidget *page = sheet->pageWidget();
    ASSERT_NE(page, nullptr);
    const PageTableModel &model = page->model();
    const int rows = static_cast<int>(selectedFrequencies(record.setup, HearingLevelMode::HearingLevel).size());
    ASSERT_EQ(model.rowCount(), rows);
    for (int row = 0; row < rows; ++row) {
        EXPECT_EQ(model.verdict(row), ResultStatus::Passed) << row;
        EXPECT_NE(model.data(model.index(row, 1)).toString(), QStringLiteral("----")) << row;
    }
    EXPECT_EQ(transcriptLinesWith(QStringLiteral("Set ")), rows);

    // The corrections bring three more columns and leave the judgement alone.
    EXPECT_EQ(model.columnCount(), 5);
    page->findChild<QCheckBox *>(QStringLiteral("showCorrections"))->setChecked(true);
    EXPECT_EQ(model.table().columns.mid(5),
              (QStringList{QStringLiteral("RETSPL"), QStringLiteral("HL Low"), QStringLiteral("HL High")}));
    EXPECT_EQ(model.verdict(0), ResultStatus::Passed);

    click("saveButton");
    const int id = document->currentRowId();
    ASSERT_GE(id, 0);
    click("okButton");
    EXPECT_EQ(frame->currentView(), V::Summary);
    EXPECT_EQ(inView<QTableWidget>("statusGrid")->item(0, 1)->text(), QStringLiteral("Pass"));

    const std::optional<AudTestRow> stored = CAudTestMeasRS(*document->database()).find(id);
    ASSERT_TRUE(stored.has_value());
    AudTestRecord readBack;
    ASSERT_TRUE(ReadTestBlob(stored->data, readBack).clean());
    EXPECT_EQ(readBack.statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural), 1);
    ASSERT_NE(goToMeasurement(0), nullptr);
    EXPECT_EQ(calibrationDialogs, 1); // once per program run
    for (const int f : selectedFrequencies(readBack.setup, HearingLevelMode::HearingLevel)) {
        EXPECT_FLOAT_EQ(readBack.toneLevel[0][0].measuredLevel[f], record.toneLevel[0][0].measuredLevel[f]);
        EXPECT_GT(readBack.toneLevel[0][0].measuredLevel[f], kNotMeasuredLimit) << f;
        EXPECT_LE(readBack.toneLevel[1][0].measuredLevel[f], kNotMeasuredLimit) << "right ear untouched";
    }
}

// The whole way in the windows: a new test set up page by page from the idle view, hearing level of
// the left earphone measured on the sheet, and the saved test read back from the database. The
// simulated audiometer sits on the coupler the window chose, behind the microphone chosen there; a
// set-up that lacks either leaves the sheet nothing it may measure with.
TEST_F(MeasurementSheetTest, ATestSetUpInTheWindowsIsMeasuredAndStoredForTheLeftEarOnly)
{
    ASSERT_NO_FATAL_FAILURE(openBench("good"));
    document->SavePreferences();
    openFrame();
    ASSERT_EQ(frame->currentView(), V::Idle);
    frame->action(C::AudiometerTest)->trigger();
    ASSERT_EQ(frame->currentView(), V::TestSetup);
    auto *setupView = qobject_cast<CTestSetupView *>(frame->viewWidget());
    ASSERT_NE(setupView, nullptr);
    test::fillAudiometer(*setupView, {});
    test::child<QPushButton>(test::page(*setupView, "CTestAudFreqPP"),
                             QStringLiteral("defaultFrequenciesButton"))
        ->click();
    ASSERT_NO_FATAL_FAILURE(
        test::fillSupraAural(*setupView, QStringLiteral("TL-88120"), QStringLiteral("TR-88121")));
    // The microphone in the Kestin coupler the earphones sit on.
    ASSERT_NO_FATAL_FAILURE(test::pickInstrument(test::page(*setupView, "CTestMicrophonesPP"),
                                                 "micSlot2Combo", QStringLiteral("MK-40962")));
    test::child<QPushButton>(*setupView, QStringLiteral("okButton"))->click();
    ASSERT_EQ(frame->currentView(), V::Summary);
    test::type(*frame->viewWidget(), "technicianEdit", QStringLiteral("Smith"));
    EXPECT_EQ(calibrationDialogs, 0);

    const AudTestRecord &record = document->currentTest();
    const ToneLevelResult rightBefore = record.toneLevel[1][0];
    audiometer->setCoupling(demo::couplingFor(record.setup));
    audiometer->setEarOnCoupler(Ear::Left);
    CAudTestView *sheet = goToMeasurement(0);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(calibrationDialogs, 1);
    EXPECT_EQ(sheet->run().measurement(), MeasurementEntry::HearingLevel);
    EXPECT_EQ(inView<QListWidget>("transducerList")->currentItem()->text(),
              QStringLiteral("Supra-aural Earphone"));
    ASSERT_EQ(sheet->run().ear(), Ear::Left);

    click("measureAllButton");
    const std::vector<int> frequencies = selectedFrequencies(record.setup, HearingLevelMode::HearingLevel);
    ASSERT_GE(frequencies.size(), 11u); // the default frequencies
    EXPECT_EQ(transcriptLinesWith(QStringLiteral("Set ")), static_cast<int>(frequencies.size()));
    EXPECT_EQ(transcriptLinesWith(QStringLiteral("Right")), 0);
    EXPECT_EQ(technician->failedStimuli(), 0);
    const PageTableModel &model = sheet->pageWidget()->model();
    ASSERT_EQ(model.rowCount(), static_cast<int>(frequencies.size()));
    for (int row = 0; row < model.rowCount(); ++row)
        EXPECT_EQ(model.verdict(row), ResultStatus::Passed) << row;

    click("okButton");
    ASSERT_EQ(frame->currentView(), V::Summary);
    EXPECT_EQ(inView<QTableWidget>("statusGrid")->item(0, 1)->text(), QStringLiteral("Pass"));
    frame->action(C::Save)->trigger();
    EXPECT_FALSE(document->isModified());

    const std::vector<AudTestRow> rows = CAudTestMeasRS(*document->database()).list();
    ASSERT_EQ(rows.size(), 1u);
    const std::optional<AudTestRow> stored = CAudTestMeasRS(*document->database()).find(rows[0].id);
    ASSERT_TRUE(stored.has_value());
    AudTestRecord readBack;
    ASSERT_TRUE(ReadTestBlob(stored->data, readBack).clean());
    EXPECT_EQ(fixedText(readBack.setup.audiometerSerialNumber), "SN77");
    EXPECT_EQ(fixedText(readBack.setup.supraAural.model), "TDH 39");
    EXPECT_EQ(fixedText(readBack.setup.couplerMicrophone[2].identity.serialNumber), "MK-40962");
    EXPECT_EQ(readBack.statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural), 1);

    // Judged again from the stored bytes alone: each level is the dial level plus the earphone's
    // reference level, within what the standard allows at that frequency.
    const ToneLevelResult &left = readBack.toneLevel[0][0];
    for (const int f : frequencies) {
        SCOPED_TRACE(nominalHz(f));
        EXPECT_GT(left.measuredLevel[f], kNotMeasuredLimit);
        EXPECT_GT(left.dialLevel[f], 0);
        ReferenceQuery query;
        query.transducer = TransducerType::SupraAural;
        query.frequencyIndex = f;
        const double deviation =
            left.measuredLevel[f] - GetReferenceLevel(readBack.setup, query) - left.dialLevel[f];
        EXPECT_TRUE(hearingLevelTolerance(f).contains(deviation)) << deviation;
    }
    // The right ear keeps no reading; only the input levels were carried over to its channel.
    const ToneLevelResult &right = readBack.toneLevel[1][0];
    EXPECT_EQ(std::memcmp(right.measuredLevel, rightBefore.measuredLevel, sizeof right.measuredLevel), 0);
    EXPECT_EQ(
        std::memcmp(right.measuredFrequency, rightBefore.measuredFrequency, sizeof right.measuredFrequency),
        0);
    EXPECT_EQ(std::memcmp(right.dialLevel, left.dialLevel, sizeof right.dialLevel), 0);
}

// The faulty audiometer's right earphone is 3.5 dB loud at 4000 Hz. Leaving the sheet for another
// view keeps the results: the summary shows the failure without OK ever being pressed.
TEST_F(MeasurementSheetTest, AFailedRowStandsOutAndLeavingByAnotherViewKeepsTheResults)
{
    start("faulty");
    audiometer->setEarOnCoupler(Ear::Right);
    CAudTestView *sheet = goToMeasurement(0);
    ASSERT_NE(sheet, nullptr);
    inView<QComboBox>("earCombo")->setCurrentIndex(1);
    ASSERT_EQ(sheet->run().ear(), Ear::Right);
    document->setModified(false);
    click("measureAllButton");

    const PageTableModel &model = sheet->pageWidget()->model();
    const int failing = rowOf(document->currentTest(), 4000.0);
    ASSERT_GE(failing, 0);
    for (int row = 0; row < model.rowCount(); ++row)
        EXPECT_EQ(model.failed(row), row == failing) << row;
    EXPECT_EQ(model.headerData(failing, Qt::Vertical).toString(), QStringLiteral("FAIL"));
    EXPECT_TRUE(model.data(model.index(failing, 0), Qt::FontRole).value<QFont>().bold());
    EXPECT_TRUE(model.data(model.index(failing, 0), Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model.data(model.index(failing == 0 ? 1 : 0, 0), Qt::ForegroundRole).isValid());

    // Measure Selected keeps to the selected row, and the rebuilt list keeps the selection.
    sheet->pageWidget()->selectRows({failing});
    EXPECT_TRUE(inView<QPushButton>("measureSelectedButton")->isEnabled());
    const int setPrompts = transcriptLinesWith(QStringLiteral("Set "));
    click("measureSelectedButton");
    EXPECT_EQ(transcriptLinesWith(QStringLiteral("Set ")), setPrompts + 1);
    EXPECT_TRUE(technician->transcript().filter(QStringLiteral("Set ")).constLast().contains(
        QStringLiteral("at 4000 Hz")));
    EXPECT_EQ(sheet->pageWidget()->selectedRows(), QList<int>{failing});

    frame->action(C::TestNotes)->trigger();
    ASSERT_EQ(frame->currentView(), V::TestNotes);
    EXPECT_TRUE(document->isModified());
    EXPECT_EQ(document->currentTest().statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural), -1);
    frame->action(C::MeasurementSummary)->trigger();
    ASSERT_EQ(frame->currentView(), V::Summary);
    EXPECT_EQ(inView<QTableWidget>("statusGrid")->item(0, 1)->text(), QStringLiteral("FAIL"));
}

// While a measurement waits on the technician, events are dispatched: Next Test, Disconnect and
// another view are refused, and the measurement runs to its end. Next Test afterwards asks whether
// to save and steps on; a disconnected meter leaves nothing to measure with.
TEST_F(MeasurementSheetTest, NothingEndsARunningMeasurementAndNextTestAsksToSaveFirst)
{
    start("good");
    audiometer->setEarOnCoupler(Ear::Left);
    CAudTestView *sheet = goToMeasurement(0);
    ASSERT_NE(sheet, nullptr);
    bool checked = false;
    interaction->duringNextSet = [&] {
        checked = true;
        EXPECT_TRUE(frame->isBusy());
        auto *nextTest = inView<QPushButton>("nextTestButton");
        EXPECT_FALSE(nextTest->isEnabled());
        nextTest->click();
        sheet->run().NextTest();
        for (const char *name : {"okButton", "cancelButton", "measureAllButton"})
            EXPECT_FALSE(inView<QPushButton>(name)->isEnabled()) << name;
        EXPECT_FALSE(inView<QListWidget>("measurementList")->isEnabled());
        inView<QListWidget>("measurementList")->setCurrentRow(3);
        EXPECT_FALSE(frame->action(C::Disconnect)->isEnabled());
        frame->run(C::Disconnect);
        EXPECT_FALSE(frame->action(C::TestNotes)->isEnabled());
        EXPECT_FALSE(frame->switchView(V::TestNotes));
        EXPECT_FALSE(frame->close());
    };
    click("measureAllButton");
    ASSERT_TRUE(checked);
    EXPECT_FALSE(frame->isBusy());
    EXPECT_EQ(frame->currentView(), V::AudTest);
    EXPECT_TRUE(frame->meter() && frame->meter()->isConnected());
    EXPECT_EQ(sheet->run().measurement(), MeasurementEntry::HearingLevel);
    EXPECT_EQ(inView<QListWidget>("measurementList")->currentRow(), 0);
    const PageTableModel &model = sheet->pageWidget()->model();
    for (int row = 0; row < model.rowCount(); ++row)
        EXPECT_EQ(model.verdict(row), ResultStatus::Passed) << row;

    // The "Save Data" question comes up (the settings ask for it) and Save stores the test.
    ASSERT_TRUE(sheet->run().modified());
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<CSaveNowDlg *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        asked = true;
        dialog->findChild<QPushButton *>(QStringLiteral("saveButton"))->click();
    });
    click("nextTestButton");
    EXPECT_TRUE(asked);
    EXPECT_GE(document->currentRowId(), 0);
    EXPECT_FALSE(sheet->run().modified());
    EXPECT_EQ(sheet->run().measurement(), MeasurementEntry::FrequencyAccuracy);
    EXPECT_EQ(inView<QLabel>("windowText")->text(), QStringLiteral("Frequency Accuracy"));
    EXPECT_FALSE(inView<QPushButton>("adjustButton")->isVisible());
    EXPECT_EQ(inView<QListWidget>("transducerList")->count(), 3);

    // Without a meter nothing can be measured, and the page holds no link that is gone.
    frame->action(C::Disconnect)->trigger();
    EXPECT_FALSE(sheet->run().connected());
    EXPECT_FALSE(inView<QPushButton>("measureAllButton")->isEnabled());
    const qsizetype shown = technician->transcript().size();
    EXPECT_EQ(sheet->run().MeasureAll(), measure::kNotStarted);
    EXPECT_EQ(technician->transcript().size(), shown);
    frame->action(C::Connect)->trigger();
    EXPECT_TRUE(sheet->run().connected());
    EXPECT_TRUE(inView<QPushButton>("measureAllButton")->isEnabled());
    // The page reads through the new link, not through what it kept of the old one.
    inView<QListWidget>("measurementList")->setCurrentRow(0);
    ASSERT_EQ(sheet->run().measurement(), MeasurementEntry::HearingLevel);
    sheet->pageWidget()->selectRows({0});
    for (int round = 0; round < 2; ++round) {
        frame->action(C::Disconnect)->trigger();
        frame->action(C::Connect)->trigger();
        const int setPrompts = transcriptLinesWith(QStringLiteral("Set "));
        click("measureSelectedButton");
        EXPECT_EQ(transcriptLinesWith(QStringLiteral("Set ")), setPrompts + 1);
        EXPECT_EQ(sheet->pageWidget()->model().verdict(0), ResultStatus::Passed);
    }
}

// Exit from the sheet hands its results on before the unsaved test is asked about, and a cancelled
// Exit finds them in the summary.
TEST_F(MeasurementSheetTest, ExitFromTheSheetKeepsItsResults)
{
    start("good");
    audiometer->setEarOnCoupler(Ear::Left);
    CAudTestView *sheet = goToMeasurement(0);
    ASSERT_NE(sheet, nullptr);
    sheet->pageWidget()->selectRows({rowOf(document->currentTest(), 1000.0)});
    click("measureSelectedButton");
    ASSERT_EQ(document->currentTest().statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural), 0);
    document->setModified(false);

    technician->addRule({QStringLiteral("Save changes to the current test?"), {Answer::Cancel},
                         QuestionKind::Decision});
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(transcriptLinesWith(QStringLiteral("Save changes to the current test?")), 1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->currentView(), V::Summary);
    EXPECT_TRUE(document->isModified());
    EXPECT_EQ(document->currentTest().statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural), 1);
    EXPECT_EQ(inView<QTableWidget>("statusGrid")->item(0, 1)->text(), QStringLiteral("Pass"));
}

} // namespace
} // namespace tonva
