#include "../meter/LinkFixture.h"
#include "measure/MeasurementRun.h"
#include "model/NewTest.h"
#include "platform/PreferenceStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tonva::test {
namespace {

// What the fake pages saw, shared by every page the registry makes.
struct PageLog
{
    int created = 0;
    QList<PageTarget> targets;
    int measureAllCalls = 0;
    QList<QList<int>> selections;
    int evaluation = 1;
    int measureStatus = measure::kDone;
    // Written into the record by MeasureAll before it returns, as a real page stores each reading.
    float measuredLevel = 0.0f;
    int dialLevelSeen = 0;
};

class FakePage final : public MeasurementPage
{
public:
    FakePage(const MeasurementServices &services, PageLog &log) : MeasurementPage(services), m_log(log)
    {
        ++m_log.created;
    }

    int MeasureAll() override
    {
        ++m_log.measureAllCalls;
        const int t = static_cast<int>(transducer());
        record().toneLevel[channelOf(ear())][t].measuredLevel[12] = m_log.measuredLevel;
        m_log.dialLevelSeen = record().toneLevel[channelOf(ear())][t].dialLevel[12];
        return m_log.measureStatus;
    }
    int MeasureSelected(const QList<int> &rows) override
    {
        m_log.selections << rows;
        return m_log.measureStatus;
    }
    int Evaluate() const override { return m_log.evaluation; }
    PageTable List() const override { return {{QStringLiteral("Frequency")}, {}}; }

protected:
    void onInitialised() override { m_log.targets << target(); }

private:
    PageLog &m_log;
};

class FakeHost final : public RunHost
{
public:
    bool SaveRecord() override
    {
        ++saves;
        return saveSucceeds;
    }
    bool AskSaveData() override
    {
        ++saveQuestions;
        return answerSave;
    }
    void RecordChanged(bool sheetModified) override { recordChanged << sheetModified; }
    void ReturnToSummary() override { ++summaries; }
    void OpenAdjust(MeasurementEntry measurement) override { adjusted << measurement; }

    bool saveSucceeds = true;
    bool answerSave = true;
    int saves = 0;
    int saveQuestions = 0;
    QList<bool> recordChanged;
    int summaries = 0;
    QList<MeasurementEntry> adjusted;
};

class RunTest : public LinkFixture
{
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        for (const PageRole role :
             {PageRole::HearingLevelFrequency, PageRole::BoneLevels, PageRole::Linearity, PageRole::Speech,
              PageRole::SoundFieldMono, PageRole::SoundFieldBinaural})
            registry.add(role,
                         [this](const MeasurementServices &s) { return std::make_unique<FakePage>(s, log); });
    }

    void setSavePreferences(int showDialog, int alwaysSave)
    {
        preferences.writeInt(QStringLiteral("Settings"), QStringLiteral("Show Save Dialog After Test"),
                             showDialog);
        preferences.writeInt(QStringLiteral("Settings"), QStringLiteral("Save After Test"), alwaysSave);
    }

    // A hearing-level run on the left supra-aural earphone with one measurement done.
    void openMeasured(bool withMeter = true)
    {
        if (withMeter)
            run.AttachMeter(&link, &files);
        run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left);
        ASSERT_EQ(run.MeasureAll(), measure::kDone);
        ASSERT_TRUE(run.modified());
    }

    TempDir dir;
    PreferenceStore preferences{dir.file(QStringLiteral("prefs.ini"))};
    MeasurementServices services{interaction, clock, preferences};
    PageRegistry registry;
    PageLog log;
    FakeHost host;
    AudTestRecord record;
    MeasurementRun run{services, registry, host, record};
};

TEST(MeasurementCatalogueTest, ListsAndTransducerPositions)
{
    EXPECT_EQ(measurementListTexts(),
              QStringList({"Hearing Level", "Frequency", "Linearity", "Distortion", "Pulse", "Cross Talk",
                           "Freq. Modulation", "Narrow Band Level", "Broad Band Noise", "Speech"}));
    EXPECT_EQ(initialTransducerListTexts(),
              QStringList({"Supra-aural", "Bone vibrator", "Speakers", "Insert", "Circumaural"}));
    EXPECT_EQ(transducerListTexts(MeasurementEntry::NarrowBandLevel),
              QStringList({"Supra-aural Earphone", "Speakers", "Insert Earphone", "Circumaural Earphone"}));
    EXPECT_EQ(
        QString::fromLatin1(measurementListEntry(MeasurementEntry::SpeechHarmonicDistortion).windowText),
        "Speech Harmonic Distortion");
    EXPECT_EQ(measurementListEntry(MeasurementEntry::FrequencyModulation).mode, MeterMode::PulseFm);
    EXPECT_EQ(measurementEntryAt(10), MeasurementEntry::SpeechHarmonicDistortion);
    EXPECT_EQ(measurementEntryAt(11), std::nullopt);
    EXPECT_EQ(measurementEntryAt(-1), std::nullopt);

    // Position 1 of a three-entry list is the insert earphone, not the bone vibrator.
    EXPECT_EQ(transducerAtPosition(MeasurementEntry::FrequencyAccuracy, 1), TransducerType::InsertEarphone);
    EXPECT_EQ(transducerAtPosition(MeasurementEntry::HearingLevel, 1), TransducerType::BoneVibrator);
    EXPECT_EQ(transducerAtPosition(MeasurementEntry::FrequencyAccuracy, 3), std::nullopt);
}

TEST(MeasurementCatalogueTest, EachPairGoesToItsPage)
{
    EXPECT_EQ(PageRoleFor(MeasurementEntry::FrequencyModulation, TransducerType::InsertEarphone),
              PageRole::HearingLevelFrequency);
    EXPECT_EQ(PageRoleFor(MeasurementEntry::NarrowBandLevel, TransducerType::Circumaural),
              PageRole::HearingLevelFrequency);
    EXPECT_EQ(PageRoleFor(MeasurementEntry::HearingLevel, TransducerType::BoneVibrator),
              PageRole::BoneLevels);
    EXPECT_EQ(PageRoleFor(MeasurementEntry::HarmonicDistortion, TransducerType::BoneVibrator),
              PageRole::BoneDistortion);
    EXPECT_EQ(PageRoleFor(MeasurementEntry::NarrowBandLevel, TransducerType::Speakers),
              PageRole::SoundFieldMono);
    EXPECT_EQ(PageRoleFor(MeasurementEntry::SpeechHarmonicDistortion, TransducerType::BoneVibrator),
              PageRole::Speech);
    EXPECT_EQ(PageRoleFor(MeasurementEntry::BroadBandNoise, TransducerType::SupraAural),
              PageRole::BroadBandMasking);
    // Pairs the lists never offer have no page.
    EXPECT_EQ(PageRoleFor(MeasurementEntry::FrequencyAccuracy, TransducerType::BoneVibrator), std::nullopt);
    EXPECT_EQ(PageRoleFor(MeasurementEntry::Speech, TransducerType::Circumaural), std::nullopt);
}

TEST_F(RunTest, OpeningGivesThePageItsTargetAndShowsTheWindowText)
{
    run.Open(MeasurementEntry::FrequencyModulation, TransducerType::InsertEarphone, Ear::Right);
    ASSERT_NE(run.page(), nullptr);
    EXPECT_EQ(log.targets.last().record, &record);
    EXPECT_EQ(log.targets.last().transducer, TransducerType::InsertEarphone);
    EXPECT_EQ(log.targets.last().ear, Ear::Right);
    EXPECT_EQ(log.targets.last().measurement, MeasurementEntry::FrequencyModulation);
    EXPECT_EQ(run.windowText(), "Frequency Modulation");
    EXPECT_EQ(run.transducerList(),
              QStringList({"Supra-aural Earphone", "Insert Earphone", "Circumaural Earphone"}));
    EXPECT_FALSE(run.adjustAvailable());
    run.Adjust();
    EXPECT_TRUE(host.adjusted.isEmpty());
}

TEST_F(RunTest, AdjustOnlyForHearingLevelAndSpeech)
{
    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left);
    run.Adjust();
    run.ChooseMeasurement(MeasurementEntry::Speech);
    run.Adjust();
    EXPECT_EQ(host.adjusted,
              QList<MeasurementEntry>({MeasurementEntry::HearingLevel, MeasurementEntry::Speech}));
}

TEST_F(RunTest, ChoosingTheShownMeasurementRebuildsNothing)
{
    openMeasured();
    const int created = log.created;
    run.ChooseMeasurement(MeasurementEntry::HearingLevel);
    EXPECT_EQ(log.created, created);
    EXPECT_EQ(host.saveQuestions, 0);
}

TEST_F(RunTest, ChangingMeasurementCollectsTheOldPageAndKeepsAnOfferedTransducer)
{
    setSavePreferences(0, 0);
    run.Open(MeasurementEntry::HearingLevel, TransducerType::InsertEarphone, Ear::Left);
    log.evaluation = -1;
    run.ChooseMeasurement(MeasurementEntry::FrequencyAccuracy);
    EXPECT_EQ(record.statusOf(MeasurementKind::HearingLevel, TransducerType::InsertEarphone), -1);
    EXPECT_EQ(run.transducer(), TransducerType::InsertEarphone);
    run.ChooseMeasurement(MeasurementEntry::HarmonicDistortion); // distortion offers the bone vibrator too,
                                                                 // and keeps the insert
    EXPECT_EQ(run.transducer(), TransducerType::InsertEarphone);
    run.ChooseTransducerPosition(1);
    EXPECT_EQ(run.transducer(), TransducerType::BoneVibrator);
    run.ChooseMeasurement(
        MeasurementEntry::PulsedTones); // pulse has no bone vibrator: the first entry is taken
    EXPECT_EQ(run.transducer(), TransducerType::SupraAural);
}

TEST_F(RunTest, SpeechHarmonicDistortionCollectsIntoSpeech)
{
    run.Open(MeasurementEntry::SpeechHarmonicDistortion, TransducerType::Speakers, Ear::Left);
    log.evaluation = 1;
    run.Ok();
    EXPECT_EQ(record.statusOf(MeasurementKind::SpeechHearingLevel, TransducerType::Speakers), 1);
}

TEST_F(RunTest, BothSavePreferencesOffAsksNothingAndStaysModified)
{
    setSavePreferences(0, 0);
    openMeasured();
    run.ChooseMeasurement(MeasurementEntry::FrequencyAccuracy);
    run.ChooseTransducerPosition(2);
    EXPECT_EQ(host.saveQuestions, 0);
    EXPECT_EQ(host.saves, 0);
    EXPECT_TRUE(run.modified());
    ASSERT_TRUE(run.Save());
    EXPECT_FALSE(run.modified());
}

TEST_F(RunTest, SaveDialogPreferenceAsksAndSavesOnSave)
{
    setSavePreferences(1, 0);
    openMeasured();
    log.evaluation = 1;
    run.ChooseMeasurement(MeasurementEntry::Linearity);
    EXPECT_EQ(host.saveQuestions, 1);
    EXPECT_EQ(host.saves, 1);
    EXPECT_FALSE(run.modified());
    // The stored record already carried the judged result of the page it left.
    EXPECT_EQ(record.statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural), 1);
}

TEST_F(RunTest, SaveLaterKeepsTheSheetModified)
{
    setSavePreferences(1, 1);
    host.answerSave = false;
    openMeasured();
    run.ChooseMeasurement(MeasurementEntry::Linearity);
    EXPECT_EQ(host.saveQuestions, 1);
    EXPECT_EQ(host.saves, 0);
    EXPECT_TRUE(run.modified());
}

TEST_F(RunTest, AlwaysSavePreferenceSavesWithoutAsking)
{
    setSavePreferences(0, 1);
    openMeasured();
    run.ChooseTransducerPosition(2);
    EXPECT_EQ(host.saveQuestions, 0);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(run.transducer(), TransducerType::Speakers);
}

TEST_F(RunTest, AFailedSaveLeavesTheSheetModified)
{
    openMeasured();
    host.saveSucceeds = false;
    EXPECT_FALSE(run.Save());
    EXPECT_TRUE(run.modified());
}

TEST_F(RunTest, NextTestStepsOnAndLeavesAfterTheLastMeasurement)
{
    setSavePreferences(0, 0);
    run.Open(MeasurementEntry::Speech, TransducerType::SupraAural, Ear::Left);
    run.NextTest();
    EXPECT_EQ(run.measurement(), MeasurementEntry::SpeechHarmonicDistortion);
    EXPECT_EQ(run.windowText(), "Speech Harmonic Distortion");
    EXPECT_EQ(host.summaries, 0);
    run.NextTest();
    EXPECT_EQ(host.summaries, 1);
    EXPECT_FALSE(run.isOpen());
    EXPECT_EQ(run.page(), nullptr);
}

TEST_F(RunTest, OkHandsTheResultsOnAndCancelDoesNot)
{
    openMeasured();
    log.evaluation = -1;
    run.Cancel();
    EXPECT_EQ(record.statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural), 0);
    EXPECT_TRUE(host.recordChanged.isEmpty());
    EXPECT_EQ(host.summaries, 1);

    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left);
    run.Ok();
    EXPECT_EQ(record.statusOf(MeasurementKind::HearingLevel, TransducerType::SupraAural), -1);
    EXPECT_EQ(host.recordChanged, QList<bool>({false}));
}

TEST_F(RunTest, MeasuringNeedsAMeterAndAPage)
{
    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left);
    EXPECT_EQ(run.MeasureAll(), measure::kNotStarted);
    EXPECT_EQ(log.measureAllCalls, 0);
    EXPECT_FALSE(run.modified());

    run.AttachMeter(&link, &files);
    run.ChooseMeasurement(MeasurementEntry::PulsedTones); // no pulse page is registered
    EXPECT_EQ(run.page(), nullptr);
    EXPECT_EQ(run.MeasureAll(), measure::kNotStarted);
}

TEST_F(RunTest, MeasureSelectedPassesTheRowsOn)
{
    run.AttachMeter(&link, &files);
    run.Open(MeasurementEntry::Linearity, TransducerType::SupraAural, Ear::Left);
    EXPECT_EQ(run.MeasureSelected({3, 5}), measure::kDone);
    EXPECT_EQ(log.selections, QList<QList<int>>({{3, 5}}));
    EXPECT_TRUE(run.modified());
}

TEST_F(RunTest, ReadOnlySheetIsNeverMarkedModified)
{
    run.setReadOnly(true);
    run.AttachMeter(&link, &files);
    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Left);
    EXPECT_EQ(run.MeasureAll(), measure::kDone);
    EXPECT_FALSE(run.modified());
}

TEST_F(RunTest, CancelInsideThePageKeepsEarlierResultsAndAsksNothingMore)
{
    setSavePreferences(1, 1);
    log.measuredLevel = 72.5f;
    log.measureStatus = measure::kCancelled;
    run.AttachMeter(&link, &files);
    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Right);
    EXPECT_EQ(run.MeasureAll(), measure::kCancelled);
    EXPECT_FLOAT_EQ(record.toneLevel[1][0].measuredLevel[12], 72.5f);
    EXPECT_TRUE(run.modified()); // what was measured before the cancel is still to be saved
    EXPECT_EQ(host.saveQuestions, 0);
}

TEST_F(RunTest, MeterThatWillNotGetReadyIsAskedAboutUntilCancelled)
{
    trellan.instrument = "SSA"; // forces the full set-up, whose detector setting the meter refuses
    bool refuseDetector = true;
    meter.setResponder([&](const QByteArray &text, char sum) {
        if (refuseDetector && text.startsWith("S45,"))
            return Reply::none();
        return trellan(text, sum);
    });
    const QString question = QString::fromLatin1(measure::kMeterNotReadyQuestion);
    interaction.expectMessage(QStringLiteral("Unable to set detector on the Trellan."))
        .expectAsk(question, Answer::Cancel);
    run.AttachMeter(&link, &files);
    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural,
             Ear::Left); // Cancel stops asking; the window still opens
    ASSERT_NE(run.page(), nullptr);

    trellan.instrument = "SSA";
    interaction.expectMessage(QStringLiteral("Unable to set detector on the Trellan."))
        .expectAsk(question, Answer::Cancel);
    EXPECT_EQ(run.MeasureAll(), measure::kCancelled);
    EXPECT_EQ(log.measureAllCalls, 0);

    trellan.instrument = "SSA";
    interaction.expectMessage(QStringLiteral("Unable to set detector on the Trellan."))
        .expectAsk(question, Answer::Ok);
    meter.setResponder([&](const QByteArray &text, char sum) {
        if (refuseDetector && text.startsWith("S45,")) {
            refuseDetector = false; // the technician fixed it before pressing OK
            return Reply::none();
        }
        return trellan(text, sum);
    });
    EXPECT_EQ(run.MeasureAll(), measure::kDone);
    EXPECT_EQ(log.measureAllCalls, 1);
    interaction.verifyDone();
}

TEST_F(RunTest, InputLevelsReachTheMeasuredChannelBeforeHearingLevel)
{
    run.AttachMeter(&link, &files);
    run.Open(MeasurementEntry::HearingLevel, TransducerType::SupraAural, Ear::Right);
    ASSERT_EQ(run.inputLevelPages().size(), 2u);
    EXPECT_EQ(run.inputLevelPages()[0]->title(), "Low Freq. Input Levels");
    run.inputLevelPages()[0]->setField(12, 60);
    run.MeasureAll();
    EXPECT_EQ(log.dialLevelSeen, 60) << "the right channel measured with the edited level";
    EXPECT_EQ(record.toneLevel[0][0].dialLevel[12], 60);
}

TEST_F(RunTest, NarrowBandLevelsAreCopiedToTheOtherChannelFirst)
{
    record.narrowBand[0][3].dialLevel[10] = 65;
    run.AttachMeter(&link, &files);
    run.Open(MeasurementEntry::NarrowBandLevel, TransducerType::InsertEarphone, Ear::Right);
    EXPECT_TRUE(run.inputLevelPages().empty());
    run.MeasureAll();
    EXPECT_EQ(record.narrowBand[1][3].dialLevel[10], 65);
}

TEST_F(RunTest, BoneVibratorGetsTheBonePageOnly)
{
    run.Open(MeasurementEntry::HearingLevel, TransducerType::BoneVibrator, Ear::Left);
    ASSERT_EQ(run.inputLevelPages().size(), 1u);
    EXPECT_EQ(run.inputLevelPages()[0]->title(), "Bone vibrator input levels");
}

TEST_F(RunTest, BoneLevelsAppliedOnThePageAreTheNextTestsDefaultsWithoutASave)
{
    run.Open(MeasurementEntry::HearingLevel, TransducerType::BoneVibrator, Ear::Left);
    ASSERT_EQ(run.inputLevelPages().size(), 1u);
    InputLevelPage &bone = *run.inputLevelPages().front();
    bone.setField(5, 25);  // 250 Hz: remembered only when a test is saved
    bone.setField(8, 35);  // 500 Hz
    bone.setField(24, 45); // 8000 Hz
    run.Ok();
    EXPECT_EQ(host.saves, 0);

    AudTestRecord next;
    applyDefaultInputLevels(next, preferences);
    const DialLevels &levels = next.toneLevel[0][static_cast<int>(TransducerType::BoneVibrator)].dialLevel;
    EXPECT_EQ(levels[5], 20);
    EXPECT_EQ(levels[8], 35);
    EXPECT_EQ(levels[24], 45);
}

TEST_F(RunTest, SoundFieldStaysOnTheBinauralPageWhileShown)
{
    run.Open(MeasurementEntry::HearingLevel, TransducerType::Speakers, Ear::Both);
    run.ShowSoundFieldPage(true);
    const int created = log.created;
    run.ChooseEar(Ear::Left);
    EXPECT_EQ(log.created, created + 1);
    run.ShowSoundFieldPage(true);
    EXPECT_EQ(log.created, created + 1) << "already showing";
}

TEST(RunClockTest, TwelveHourClock)
{
    EXPECT_EQ(MeasurementRun::clockText(0, 5), "12:05 AM");
    EXPECT_EQ(MeasurementRun::clockText(12, 0), "12:00 PM");
    EXPECT_EQ(MeasurementRun::clockText(13, 30), "01:30 PM");
}

} // namespace
} // namespace tonva::test
