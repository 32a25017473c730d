#include "ambient/AmbientPages.h"
#include "ambient/AmbientSurvey.h"
#include "ambient/BoothSave.h"
#include "model/FixedText.h"
#include "sim/BoothProfile.h"
#include "support/MeterLine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace tonva {
namespace {

using test::MeterLine;

// A surveyed booth on the built-in meter: the record carries equipment, an earlier survey and a name.
struct BoothRig : MeterLine
{
    explicit BoothRig(const char *booth)
    {
        BoothProfile::load(QString::fromLatin1(booth))->presentIn(simulator.scene());
        EXPECT_EQ(port.Open(), 0);
        setDisplayText(record.soundLevelMeter.model, QStringLiteral("Trellan"));
        setDisplayText(record.preamplifier.model, QStringLiteral("P2"));
        setDisplayText(record.microphone.identity.model, QStringLiteral("M4"));
        setDisplayText(record.measurementDate, QStringLiteral("2008-01-02"));
        for (float &level : record.bandLevel)
            level = 12.25f;
    }

    AmbientSurvey::Outcome survey(const QDate &date)
    {
        EXPECT_TRUE(ambient.prepareMeter());
        return ambient.measure(record, date);
    }

    BoothRecord record;
    AmbientSurvey ambient{link, files};
};

// Passes everything to the scripted technician, and shows each progress status to `hook` first,
// which may act on the scene at that moment or answer true to press Cancel.
class StatusHook final : public Interaction
{
public:
    using Hook = std::function<bool(const QString &)>;
    StatusHook(test::ScriptedInteraction &to, Hook hook) : m_to(to), m_hook(std::move(hook)) {}

    void message(const QString &text) override { m_to.message(text); }
    Answer ask(const QString &text, Buttons b) override { return m_to.ask(text, b); }
    Answer askToSet(const QString &text, const Stimulus &s, Buttons b) override { return m_to.askToSet(text, s, b); }
    std::unique_ptr<Progress> openProgress(const QString &, int, int, int) override
    {
        struct Hooked final : Progress
        {
            Hook hook;
            bool cancelled = false;
            void setStatus(const QString &text) override { cancelled = hook(text) || cancelled; }
            void setPosition(int) override {}
            void step() override {}
            bool checkCancel() override { return cancelled; }
        };
        auto progress = std::make_unique<Hooked>();
        progress->hook = m_hook;
        return progress;
    }

private:
    test::ScriptedInteraction &m_to;
    Hook m_hook;
};

// The rows of each page ("125", ...) that show a limit in parentheses.
QStringList parenthesised(const BoothRecord &record, bool earsNotCovered = true)
{
    QStringList hits;
    for (const AmbientPage &page : ambientPages(record, {true, earsNotCovered, BoothPages::Both})) {
        for (const QStringList &row : page.rows) {
            if (row.join(QString()).contains(QLatin1Char('(')))
                hits << page.title + QLatin1Char('/') + row.first();
        }
    }
    return hits;
}

TEST(AmbientSurveyTruth, BoothsJudgedThroughLinkAndSimulator)
{
    const struct
    {
        const char *booth;
        QDate date;
        QStringList failing;
    } cases[] = {
        {"quiet-booth", {2009, 6, 1}, {}},
        {"quiet-booth", {2012, 6, 1}, {}},
        {"noisy-booth", {2009, 6, 1}, {"125 - 8K Hz/125", "250 - 8K Hz/125"}},
        {"noisy-booth", {2012, 6, 1}, {"125 - 8K Hz/125", "250 - 8K Hz/125"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.booth) + " " + c.date.toString(Qt::ISODate).toStdString());
        BoothRig rig(c.booth);
        ASSERT_EQ(rig.survey(c.date), AmbientSurvey::Outcome::Measured);
        EXPECT_EQ(parenthesised(rig.record), c.failing);
        EXPECT_EQ(displayText(rig.record.measurementDate), c.date.toString(Qt::ISODate));
        EXPECT_NEAR(rig.record.bandLevel[10], std::strcmp(c.booth, "noisy-booth") == 0 ? 35.0 : 12.0, 0.5);
        // The ten samples are a second apart on the meter's clock.
        EXPECT_GE(rig.clock.nowMs(), AmbientSurvey::kSamples * AmbientSurvey::kSampleIntervalMs);
        rig.technician.verifyDone();
    }
}

TEST(AmbientSurvey, EnergyMeanNotArithmetic)
{
    const float flat[10] = {30, 30, 30, 30, 30, 30, 30, 30, 30, 30};
    const float oneHigh[10] = {30, 30, 30, 30, 30, 30, 30, 30, 30, 31};
    EXPECT_NEAR(AmbientSurvey::energyMean(flat, 10), 30.0, 1e-5);
    EXPECT_NEAR(AmbientSurvey::energyMean(oneHigh, 10), 10 * std::log10((9 * 1e3 + std::pow(10, 3.1)) / 10), 1e-4);

    // Through the meter: the booth rumbles 10 dB louder for the last sample only. An arithmetic mean
    // would rise 1 dB; the energy mean rises 10 log10(1.9) = 2.79 dB.
    BoothRig rig("noisy-booth");
    rig.simulator.scene().setBackground(rig.simulator.scene().background(), 0.0);
    AcousticScene &scene = rig.simulator.scene();
    StatusHook relay(rig.technician, [&scene](const QString &status) {
        if (status == QStringLiteral("Averaging: Sample 10 out of 10")) {
            BroadbandNoise noise = *scene.background();
            noise.bandLevels[10] += 10.0;
            scene.setBackground(noise);
        }
        return false;
    });
    SlmLink link(rig.port, relay);
    AmbientSurvey survey(link, rig.files);
    ASSERT_EQ(survey.measure(rig.record, {2012, 1, 1}), AmbientSurvey::Outcome::Measured);
    EXPECT_NEAR(rig.record.bandLevel[10], 35.0 + 10 * std::log10(1.9), 0.15);
}

TEST(AmbientSurvey, CancelOrFailureLeavesRecordByteIdentical)
{
    for (const char *when : {"Checking the Trellan for SLM/RTA mode", "Averaging: Sample 4 out of 10"}) {
        BoothRig rig("quiet-booth");
        const BoothRecord before = rig.record;
        StatusHook relay(rig.technician, [when](const QString &status) { return status == QLatin1String(when); });
        SlmLink link(rig.port, relay);
        AmbientSurvey survey(link, rig.files);
        EXPECT_EQ(survey.measure(rig.record, {2012, 1, 1}), AmbientSurvey::Outcome::Cancelled) << when;
        EXPECT_EQ(std::memcmp(&before, &rig.record, sizeof before), 0) << when;
        EXPECT_FALSE(survey.previous());
    }
    // Equipment missing: told once, nothing measured.
    BoothRig rig("quiet-booth");
    rig.record.preamplifier = {};
    rig.record.microphone = {};
    const BoothRecord before = rig.record;
    rig.technician.expectMessage(QStringLiteral(
        "Unable to perform measurement because not all required equipment has\nbeen selected.\n\nBefore doing this "
        "measurement you will need to make selections for \nthe following:\n\n    Preamp\n    Mic\n"));
    EXPECT_EQ(rig.ambient.measure(rig.record, {2012, 1, 1}), AmbientSurvey::Outcome::Failed);
    EXPECT_EQ(std::memcmp(&before, &rig.record, sizeof before), 0);
    rig.technician.verifyDone();

    // The window's Cancel after a completed survey brings back the old levels and their date together.
    BoothRig done("quiet-booth");
    const BoothRecord earlier = done.record;
    ASSERT_EQ(done.survey({2012, 1, 1}), AmbientSurvey::Outcome::Measured);
    EXPECT_TRUE(holdsAmbientValues(done.record));
    done.ambient.restorePrevious(done.record);
    EXPECT_EQ(std::memcmp(&earlier, &done.record, sizeof earlier), 0);
}

TEST(AmbientLimits, DateChoosesSetAndCellsFollowTheRules)
{
    const std::pair<const char *, AmbientLimitSet> dates[] = {
        {"2010-03-10", AmbientLimitSet::A}, {"2010-03-11", AmbientLimitSet::B}, {"1999-12-31", AmbientLimitSet::A},
        {"", AmbientLimitSet::B},           {"10/03/2011", AmbientLimitSet::A}, {"2011-02-30", AmbientLimitSet::A},
    };
    for (const auto &[date, set] : dates)
        EXPECT_EQ(limitSetForDate(QString::fromLatin1(date)), set) << date;

    BoothRecord record;
    clearAmbientValues(record);
    setDisplayText(record.measurementDate, QStringLiteral("2012-01-01"));
    record.bandLevel[10] = -60.0f; // 125 Hz
    record.bandLevel[16] = 13.0f;  // 500 Hz: over set B's 11 ears not covered, under its 16 covered
    record.bandLevel[25] = 58.0f;  // 4 kHz: over the OSHA 57 too
    const AmbientPage narrow = ambientRangePage(record, AmbientRange::From125Hz, {true, false, BoothPages::Both});
    EXPECT_EQ(narrow.rows[0], (QStringList{"125", "----", "30.0"}));
    EXPECT_EQ(narrow.rows[2], (QStringList{"500", "13.0", "16.0"}));
    EXPECT_TRUE(narrow.failed[2]);
    EXPECT_FALSE(narrow.failed[0]);
    const AmbientPage wide = ambientRangePage(record, AmbientRange::From125Hz, {true, true, BoothPages::Both});
    EXPECT_EQ(wide.rows[2], (QStringList{"500", "13.0", "16.0", "(11.0)"}));
    EXPECT_EQ(wide.rows[8], (QStringList{"4000", "58.0", "(32.0)", "(6.0)"}));
    const AmbientPage quiet = ambientRangePage(record, AmbientRange::From125Hz, {false, true, BoothPages::Both});
    EXPECT_EQ(quiet.rows[8], (QStringList{"4000", "58.0", "32.0", "6.0"}));
    EXPECT_FALSE(quiet.failed[8]);
    const QList<AmbientPage> osha = ambientPages(record, {true, true, BoothPages::Osha});
    ASSERT_EQ(osha.size(), 1);
    EXPECT_EQ(osha[0].rows[3], (QStringList{"4000", "58.0", "(57.0)"}));
    EXPECT_EQ(ambientPages(record, {true, true, BoothPages::Ansi}).size(), 3);
}

TEST(BoothSave, NameRulesAndQuestionsInOrder)
{
    const QString illegal = QStringLiteral("Illegal character in the test name.\n\nThese characters are not valid:   "
                                           "'% ^ \" & * #\n\nPlease re-enter the name.");
    const QString overwrite = QStringLiteral("The booth test name \"Room 2\"\nis already used for an ambient record in "
                                             "the database.\nDo you wish to overwrite it?");
    const QString values = QStringLiteral("Saving measurement will overwrite previous Ambient values. Continue?");
    const auto inUse = [](const QString &name) { return name == QStringLiteral("Room 2"); };
    test::ScriptedInteraction technician;
    EXPECT_EQ(decideBoothSave({"Room 1", {}, false, true, inUse}, technician), BoothSaveDecision::NothingChanged);
    technician.expectMessage(QStringLiteral("You must enter a booth test name."));
    EXPECT_EQ(decideBoothSave({"  ", {}, true, true, inUse}, technician), BoothSaveDecision::Refused);
    for (const char *name : {"Room #3", "O'Brien", "50%", "a^b", "a&b", "a*b", "say \"hi\""}) {
        technician.expectMessage(illegal);
        EXPECT_EQ(decideBoothSave({name, {}, true, false, inUse}, technician), BoothSaveDecision::Refused) << name;
    }
    technician.expectAsk(overwrite, Answer::No);
    EXPECT_EQ(decideBoothSave({"Room 2", "Room 1", true, true, inUse}, technician), BoothSaveDecision::Refused);
    technician.expectAsk(overwrite, Answer::Yes).expectAsk(values, Answer::No);
    EXPECT_EQ(decideBoothSave({"Room 2", {}, true, true, inUse}, technician), BoothSaveDecision::Refused);
    // Saving again under its own name asks nothing about the name.
    technician.expectAsk(values, Answer::Yes);
    EXPECT_EQ(decideBoothSave({"Room 2", "Room 2", true, true, inUse}, technician), BoothSaveDecision::Save);
    EXPECT_EQ(decideBoothSave({"Room 5", {}, true, false, inUse}, technician), BoothSaveDecision::Save);
    technician.verifyDone();
}

} // namespace
} // namespace tonva
