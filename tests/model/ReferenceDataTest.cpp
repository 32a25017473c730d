#include "model/ReferenceData.h"

#include "model/FixedText.h"

#include <gtest/gtest.h>

using namespace tonva;

namespace {

// A set-up whose three earphone slots hold the named built-in earphones.
TestSetup setupWith(const char *supraAuralModel, int alternateMode = 0)
{
    TestSetup setup;
    for (const EarphoneModel &earphone : buildBuiltInEarphones(alternateMode)) {
        const std::string_view model = fixedText(earphone.model);
        EarphoneSlot *slot = nullptr;
        if (model == supraAuralModel)
            slot = &setup.supraAural;
        else if (model == "HDA200")
            slot = &setup.circumaural;
        else if (model == "ER-3A")
            slot = &setup.insert;
        if (slot)
            std::copy(std::begin(earphone.retspl), std::end(earphone.retspl), std::begin(slot->retspl));
    }
    return setup;
}

ReferenceQuery at(TransducerType transducer, double hertz,
                  MeasurementKind kind = MeasurementKind::HearingLevel)
{
    ReferenceQuery query;
    query.transducer = transducer;
    query.frequencyIndex = frequencyIndex(hertz);
    query.kind = kind;
    return query;
}

} // namespace

TEST(FrequencyList, LabelsAndKeysKeepTheirStoredSpelling)
{
    EXPECT_EQ(testFrequencies().front(), 31.5);
    EXPECT_EQ(testFrequencies().back(), 20000.0);
    EXPECT_EQ(frequencyLabel(3), QStringLiteral(" 160"));
    EXPECT_EQ(frequencyLabel(38), QStringLiteral("20000"));
    EXPECT_EQ(frequencyKey(14), QStringLiteral("RFREQ_1600")); // 1500 Hz
    EXPECT_EQ(frequencyKey(23), QStringLiteral("RFREQ_7500")); // 6300 Hz
    EXPECT_EQ(frequencyKey(31), QStringLiteral("RFREQ_13k"));
    EXPECT_TRUE(frequencyLabel(39).isEmpty());
    EXPECT_EQ(frequencyIndex(1000), 12);
    EXPECT_EQ(frequencyIndex(1001), -1);
}

TEST(ReferenceLevel, MissingEarphoneLevelIsUsedButNoted)
{
    UndefinedReferenceWarning warning;
    const TestSetup standard = setupWith("TDH 39");
    EXPECT_EQ(GetReferenceLevel(standard, at(TransducerType::SupraAural, 160), &warning), 0.0f);
    EXPECT_EQ(warning.labels(), QStringList{QStringLiteral(" 160")});
    EXPECT_TRUE(warning.flagged(TransducerType::SupraAural));
    EXPECT_FALSE(warning.flagged(TransducerType::Circumaural));

    warning.reset();
    const TestSetup alternate = setupWith("TDH 39", 1);
    EXPECT_EQ(GetReferenceLevel(alternate, at(TransducerType::SupraAural, 160), &warning), 37.5f);
    EXPECT_EQ(GetReferenceLevel(alternate, at(TransducerType::SupraAural, 750), &warning), 7.5f);
    EXPECT_EQ(GetReferenceLevel(alternate, at(TransducerType::SupraAural, 1000), &warning), 7.0f);
    EXPECT_TRUE(warning.isEmpty());
}

TEST(ReferenceLevel, BoneWarnsOnlyInsideItsRangeAndInsertsAndSpeakersNever)
{
    UndefinedReferenceWarning warning;
    TestSetup setup = setupWith("TDH 39");
    EXPECT_EQ(GetReferenceLevel(setup, at(TransducerType::BoneVibrator, 125), &warning), 0.0f);
    ReferenceQuery forehead = at(TransducerType::BoneVibrator, 250);
    forehead.forehead = true;
    EXPECT_EQ(GetReferenceLevel(setup, forehead, &warning), 79.0f);
    EXPECT_EQ(GetReferenceLevel(setup, at(TransducerType::BoneVibrator, 250), &warning), 67.0f);
    EXPECT_EQ(GetReferenceLevel(setup, at(TransducerType::InsertEarphone, 1000), &warning), 0.0f);
    EXPECT_EQ(GetReferenceLevel(setup, at(TransducerType::Speakers, 2000), &warning), 0.5f);
    EXPECT_TRUE(warning.isEmpty());

    EXPECT_EQ(GetReferenceLevel(setup, at(TransducerType::BoneVibrator, 9000), &warning), 0.0f);
    EXPECT_TRUE(warning.isEmpty());
    EXPECT_EQ(GetReferenceLevel(setup, at(TransducerType::Circumaural, 13000), &warning), 0.0f);
    EXPECT_TRUE(warning.flagged(TransducerType::Circumaural));
}

TEST(ReferenceLevel, SoundFieldTablesFollowIncidenceAndBinaural)
{
    const TestSetup setup;
    ReferenceQuery query = at(TransducerType::Speakers, 1000);
    EXPECT_EQ(GetReferenceLevel(setup, query), 4.0f);
    query.incidence = 1;
    EXPECT_EQ(GetReferenceLevel(setup, query), 0.0f); // 45 degrees has no 1000 Hz value
    query.incidence = 7;
    EXPECT_EQ(GetReferenceLevel(setup, query), -1.5f);
    query.binaural = true;
    EXPECT_EQ(GetReferenceLevel(setup, query), 2.0f);
}

TEST(ReferenceLevel, SpeechAndNarrowBandCorrections)
{
    const TestSetup setup = setupWith("TDH 50/49");
    EXPECT_EQ(
        GetReferenceLevel(setup, at(TransducerType::Speakers, 1000, MeasurementKind::SpeechHearingLevel)),
        16.5f);
    EXPECT_EQ(
        GetReferenceLevel(setup, at(TransducerType::SupraAural, 1000, MeasurementKind::NarrowBandLevel)),
        13.5f);
    EXPECT_EQ(GetReferenceLevel(setup, at(TransducerType::SupraAural, 63, MeasurementKind::NarrowBandLevel)),
              0.0f);
    EXPECT_EQ(
        GetReferenceLevel(setup, at(TransducerType::Circumaural, 9000, MeasurementKind::NarrowBandLevel)),
        18.5f);
    EXPECT_EQ(narrowBandCorrection(frequencyIndex(500)), 4.0f);
    EXPECT_EQ(narrowBandCorrection(frequencyIndex(800)), 5.0f);
    EXPECT_EQ(narrowBandCorrection(frequencyIndex(3150)), 6.0f);
    EXPECT_EQ(narrowBandCorrection(frequencyIndex(8000)), 5.0f);
}

TEST(ReferenceLevel, IndexOutsideTheListReadsNothing)
{
    const TestSetup setup;
    UndefinedReferenceWarning warning;
    ReferenceQuery query = at(TransducerType::SupraAural, 1000);
    query.frequencyIndex = 39;
    EXPECT_EQ(GetReferenceLevel(setup, query, &warning), 0.0f);
    query.frequencyIndex = -1;
    EXPECT_EQ(GetReferenceLevel(setup, query, &warning), 0.0f);
    EXPECT_TRUE(warning.isEmpty());
}

TEST(UndefinedReferenceWarning, ListsEachFrequencyOnceAtTheMark)
{
    UndefinedReferenceWarning warning;
    EXPECT_TRUE(warning.text().isEmpty());
    warning.add(3, TransducerType::SupraAural);
    EXPECT_EQ(warning.text(),
              QStringLiteral(
                  "RETSPL not defined for  160} Hz, \nTest results at these frequencies will be incorrect."));
    warning.add(4, TransducerType::SupraAural);
    warning.add(3, TransducerType::Circumaural);
    warning.add(30, TransducerType::Circumaural);
    EXPECT_EQ(warning.text(),
              QStringLiteral("RETSPL not defined for  160,  200, 12500} Hz, \nTest results at these "
                             "frequencies will be incorrect."));
}

TEST(Couplers, NamesFamiliesAndCompatibility)
{
    EXPECT_EQ(couplerName(1), QStringLiteral("Lorvat"));
    EXPECT_EQ(couplerName(2), QStringLiteral("Kestin"));
    EXPECT_EQ(couplerName(5), QStringLiteral("Nuvell"));
    EXPECT_EQ(couplerName(6), QStringLiteral("Pendry"));
    EXPECT_EQ(couplerName(0), QStringLiteral("Nuvell")); // how the name list maps a code of 0
    EXPECT_EQ(couplerName(7), QStringLiteral("None"));
    EXPECT_EQ(couplerName(-9), QStringLiteral("None"));
    EXPECT_EQ(couplerFamilyWord(6), QStringLiteral("318-1"));
    EXPECT_EQ(couplerFamilyWord(3), QStringLiteral("318.3"));

    EXPECT_TRUE(isCouplerCompatible(1, 6));
    EXPECT_TRUE(isCouplerCompatible(6, 1));
    EXPECT_TRUE(isCouplerCompatible(4, 4));
    EXPECT_FALSE(isCouplerCompatible(2, 3));
    EXPECT_FALSE(isCouplerCompatible(1, 2));
}
