#include "inventory/InstrumentInventory.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "model/TestSetup.h"
#include "model/ui/CEarphoneRetSplDlg.h"
#include "model/ui/CTestAudBonePP.h"
#include "model/ui/CTestAudEarphonePP.h"
#include "model/ui/CTestAudSpeakersPP.h"
#include "platform/PreferenceStore.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;

const QDate kToday(2026, 12, 8);

class RecordingSetupHost final : public SetupHost
{
public:
    bool editRetspl(EarphoneSlot &slot) override
    {
        edited.push_back(&slot);
        return false;
    }
    std::vector<EarphoneSlot *> edited;
};

class EarphonePagesTest : public ::testing::Test
{
protected:
    EarphonePagesTest()
    {
        for (const EarphoneModel &earphone : buildBuiltInEarphones(0))
            inventory.list(InventoryType::Earphone).push_back(makeInventoryEntry(InventoryType::Earphone, earphone));
    }
    void TearDown() override { interaction.verifyDone(); }

    template<class T> T *child(QWidget &page, const char *name)
    {
        T *found = page.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QStringList listed(QWidget &page)
    {
        QStringList names;
        auto *combo = child<QComboBox>(page, "modelCombo");
        for (int i = 0; i < combo->count(); ++i)
            names << combo->itemText(i);
        return names;
    }
    // Supra-aural TDH 39 on the Kestin coupler, as a stored test would hold it.
    void storeTdh39()
    {
        const EarphoneModel tdh39 = buildBuiltInEarphones(0).front();
        EarphoneSlot &slot = working.supraAural;
        std::memcpy(slot.retspl, tdh39.retspl, sizeof slot.retspl);
        setFixedText(slot.manufacturer, "Telephonics");
        setFixedText(slot.model, "TDH 39");
        setFixedText(slot.leftSerialNumber, "L-100");
        setFixedText(slot.rightSerialNumber, "R-200");
        slot.couplerCode = 2;
        slot.builtIn = 1;
    }
    int settings(const char *key, int fallback)
    {
        return preferences.readInt(QStringLiteral("Settings"), QLatin1String(key), fallback);
    }

    TempDir dir;
    PreferenceStore preferences{dir.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
    CalibrationDueWarner dueWarner{interaction, kToday};
    RecordingSetupHost host;
    Inventory inventory;
    TestSetup working;
    SetupContext context{working, inventory, preferences, interaction, dueWarner, host, kToday};
};

const QString kNotCertifiedOnPendry =
    QStringLiteral("Earphone model TDH 39 is not certified with 318-1 standard coupler (Pendry). If you continue, "
                   "the first earphone in the dropdown list will become the current earphone. Continue?");

TEST_F(EarphonePagesTest, CouplerQuestionCancelRestoresAndContinueTakesTheFirstOffered)
{
    storeTdh39();
    CTestAudSupraPP page(context);
    auto *combo = child<QComboBox>(page, "modelCombo");
    EXPECT_EQ(combo->currentText(), QStringLiteral("TDH 39"));
    EXPECT_EQ(listed(page).size(), 6) << "the supra-aural earphones certified on Kestin";
    EXPECT_TRUE(child<QRadioButton>(page, "coupler2Button")->isChecked());

    // Serial numbers typed before the question survive either answer.
    child<QLineEdit>(page, "leftSerialEdit")->setText(QStringLiteral("L-101"));
    interaction.expectAsk(kNotCertifiedOnPendry, Answer::Cancel);
    child<QRadioButton>(page, "coupler6Button")->click();
    EXPECT_EQ(working.supraAural.couplerCode, 2);
    EXPECT_EQ(fixedText(working.supraAural.model), "TDH 39");
    EXPECT_TRUE(child<QRadioButton>(page, "coupler2Button")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(page, "coupler6Button")->isChecked());
    EXPECT_EQ(combo->currentText(), QStringLiteral("TDH 39"));
    EXPECT_EQ(child<QLineEdit>(page, "leftSerialEdit")->text(), QStringLiteral("L-101"));

    interaction.expectAsk(kNotCertifiedOnPendry, Answer::Ok);
    child<QRadioButton>(page, "coupler6Button")->click();
    EXPECT_EQ(listed(page), QStringList{QStringLiteral("DD45 318-1")});
    EXPECT_EQ(combo->currentText(), QStringLiteral("DD45 318-1"));
    EXPECT_EQ(child<QLabel>(page, "manufacturerLabel")->text(), QStringLiteral("Interacoustics"));
    EXPECT_TRUE(child<QRadioButton>(page, "coupler6Button")->isChecked());
    EXPECT_EQ(working.supraAural.couplerCode, 6);
    EXPECT_FLOAT_EQ(working.supraAural.retspl[frequencyIndex(1000)], 7.0f);
    page.collect();
    EXPECT_EQ(fixedText(working.supraAural.leftSerialNumber), "L-101");

    // Lorvat is one family with Pendry: no question, but no earphone is offered there.
    child<QRadioButton>(page, "coupler1Button")->click();
    EXPECT_EQ(listed(page), QStringList{QStringLiteral("None")});
    EXPECT_TRUE(fixedTextIsEmpty(working.supraAural.model));

    child<QPushButton>(page, "editRetsplButton")->click();
    ASSERT_EQ(host.edited.size(), 1u);
    EXPECT_EQ(host.edited.front(), &working.supraAural);
}

TEST_F(EarphonePagesTest, AllowIncompatibleListsEverySupraAuralModelAndKeepsTheEarphone)
{
    storeTdh39();
    {
        CTestAudSupraPP page(context);
        child<QCheckBox>(page, "allowIncompatibleCheck")->click();
        EXPECT_EQ(listed(page),
                  (QStringList{"TDH 39", "TDH 50/49", "HDA 280 ", "DD45 318-3", "DD45 318-1", "HOLMBERG 8103", "DT-48"}));
        interaction.expectAsk(QStringLiteral("Earphone model TDH 39 has not been certified with 318-1 standard "
                                             "coupler (Pendry). Continue?"),
                              Answer::Ok);
        child<QRadioButton>(page, "coupler6Button")->click();
        EXPECT_EQ(fixedText(working.supraAural.model), "TDH 39");
        EXPECT_EQ(working.supraAural.couplerCode, 6);
        EXPECT_EQ(child<QComboBox>(page, "modelCombo")->currentText(), QStringLiteral("TDH 39"));
    }
    EXPECT_EQ(settings("Allow Incompatible", 0), 1);
    CTestAudSupraPP next(context);
    EXPECT_TRUE(child<QCheckBox>(next, "allowIncompatibleCheck")->isChecked());
    EXPECT_EQ(listed(next).size(), 7);
}

TEST_F(EarphonePagesTest, StoredEarphoneTheInventoryLacksIsKeptThroughCollect)
{
    storeTdh39();
    // Bytes behind a text's end, as older records may carry, survive an untouched page too.
    working.supraAural.leftSerialNumber[9] = 'x';
    working.boneVibrator.model[14] = 'x';
    working.rightSpeaker.serialNumber[11] = 'x';
    const TestSetup stored = working;

    // No earphones at all: the list says "None", the slot's model stays visible and stays stored.
    inventory.list(InventoryType::Earphone).clear();
    {
        CTestAudSupraPP page(context);
        EXPECT_EQ(listed(page), QStringList{QStringLiteral("None")});
        auto *combo = child<QComboBox>(page, "modelCombo");
        EXPECT_EQ(combo->currentIndex(), -1);
        EXPECT_EQ(combo->placeholderText(), QStringLiteral("TDH 39"));
        page.load();
        page.collect();
        CTestAudBonePP bone(context);
        bone.collect();
        CTestAudSpeakersPP speakers(context);
        speakers.collect();
    }
    EXPECT_EQ(std::memcmp(&working, &stored, sizeof working), 0);

    // Other earphones, but not this one: nothing is picked for the technician either.
    EarphoneModel other = buildBuiltInEarphones(0)[1];
    inventory.list(InventoryType::Earphone).push_back(makeInventoryEntry(InventoryType::Earphone, other));
    CTestAudSupraPP page(context);
    EXPECT_EQ(listed(page), QStringList{QStringLiteral("TDH 50/49")});
    child<QLineEdit>(page, "rightSerialEdit")->setText(QStringLiteral("R-201"));
    page.collect();
    EXPECT_EQ(fixedText(working.supraAural.model), "TDH 39");
    EXPECT_EQ(fixedText(working.supraAural.rightSerialNumber), "R-201");
    EXPECT_EQ(std::memcmp(working.supraAural.retspl, stored.supraAural.retspl, sizeof stored.supraAural.retspl), 0);

    // Picking from the list is what replaces it.
    child<QComboBox>(page, "modelCombo")->setCurrentIndex(0);
    EXPECT_EQ(fixedText(working.supraAural.model), "TDH 50/49");
    EXPECT_EQ(fixedText(working.supraAural.rightSerialNumber), "R-201");
}

TEST_F(EarphonePagesTest, InsertCircumauralBoneAndSpeakerPagesWriteTheirOwnSlots)
{
    CTestAudInsertPP insert(context);
    EXPECT_EQ(child<QRadioButton>(insert, "coupler4Button")->text(), QStringLiteral("HA - 1"));
    EXPECT_EQ(child<QLabel>(insert, "couplerNoteLabel")->text(), QStringLiteral("(Mabrek or Nuvell)"));
    child<QRadioButton>(insert, "coupler5Button")->click();
    EXPECT_EQ(listed(insert), (QStringList{"3A", "5A"}));
    child<QComboBox>(insert, "modelCombo")->setCurrentIndex(1);
    child<QLineEdit>(insert, "leftSerialEdit")->setText(QStringLiteral("ABCDEFGHIJKLMNOP"));
    insert.collect();
    EXPECT_EQ(fixedText(working.insert.model), "5A");
    EXPECT_EQ(working.insert.kind, 1);
    EXPECT_EQ(working.insert.couplerCode, 5);
    EXPECT_EQ(fixedText(working.insert.leftSerialNumber), "ABCDEFGHIJKL");
    EXPECT_TRUE(fixedTextIsEmpty(working.supraAural.model));

    CTestAudCircumPP circum(context);
    child<QRadioButton>(circum, "coupler1Button")->click();
    EXPECT_EQ(listed(circum), (QStringList{"HDA200", "HV/1A"}));
    EXPECT_EQ(circum.findChild<QRadioButton *>(QStringLiteral("coupler2Button")), nullptr);

    CTestAudBonePP bone(context);
    child<QLineEdit>(bone, "serialEdit")->setText(QStringLiteral("B-77"));
    bone.collect();
    EXPECT_EQ(fixedText(working.boneVibrator.serialNumber), "B-77");

    setFixedText(working.rightSpeaker.model, "Stored");
    CTestAudSpeakersPP speakers(context);
    child<QLineEdit>(speakers, "leftModelEdit")->setText(QStringLiteral("SP-1"));
    speakers.collect();
    EXPECT_EQ(fixedText(working.leftSpeaker.model), "SP-1");
    EXPECT_EQ(fixedText(working.rightSpeaker.model), "Stored");
}

TEST_F(EarphonePagesTest, RetsplEditorSavesThirtyNineLinesAndReadsThemBack)
{
    storeTdh39();
    working.supraAural.retspl[0] = -2.26f; // finer than shown
    working.supraAural.retspl[38] = 56.0f;
    CEarphoneRetSplDlg dialog(working.supraAural, interaction);
    EXPECT_EQ(dialog.windowTitle(),
              QStringLiteral("Reference Equivalent Threshold Sound Pressure Levels (RETSPL)"));
    QTableWidget *table = dialog.table();
    ASSERT_EQ(table->rowCount(), kFrequencyCount);
    EXPECT_EQ(table->item(12, 0)->text(), QStringLiteral("1000"));
    EXPECT_EQ(table->item(12, 1)->text(), QStringLiteral("7.0"));

    QByteArray expected;
    for (const float value : working.supraAural.retspl) {
        char line[32];
        std::snprintf(line, sizeof line, "%.1f\r\n", double(value));
        expected += line;
    }
    const QString path = dir.file(QStringLiteral("TDH 39.csv"));
    ASSERT_TRUE(dialog.saveTo(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), expected);
    file.close();

    // Cells nobody touched keep their full value; a cell that is not a number blocks OK.
    table->item(1, 1)->setText(QStringLiteral("abc"));
    table->item(2, 1)->setText(QStringLiteral(" 3.5 "));
    interaction.expectMessage(QStringLiteral("The RETSPL at 63 Hz is not a number."));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.values()[0], -2.26f);
    EXPECT_EQ(dialog.values()[2], 3.5f);

    // Reading the file back gives what it holds, to the decimal it holds.
    ASSERT_TRUE(dialog.loadFrom(path));
    EXPECT_EQ(table->item(2, 1)->text(), QStringLiteral("45.0"));
    EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("0.0"));
    EXPECT_FLOAT_EQ(dialog.values()[0], -2.3f);
    EXPECT_EQ(dialog.values()[38], 56.0f);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const QString again = dir.file(QStringLiteral("again.csv"));
    ASSERT_TRUE(dialog.saveTo(again));
    QFile copy(again);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), expected);

    // A file that cannot be read is told and changes nothing.
    const QString missing = dir.file(QStringLiteral("missing.csv"));
    interaction.expectMessageStartingWith(QStringLiteral("Cannot load reference levels from ") + missing);
    EXPECT_FALSE(dialog.loadFrom(missing));
    EXPECT_EQ(dialog.values()[38], 56.0f);
    EXPECT_EQ(working.supraAural.retspl[0], -2.26f) << "the slot changes only through edit()";
}

} // namespace
} // namespace tonva
