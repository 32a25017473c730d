#include "inventory/InstrumentInventory.h"
#include "inventory/ui/OverdueMark.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "model/TestSetup.h"
#include "model/ui/CTestCalibratorPP.h"
#include "model/ui/CTestEquipPP.h"
#include "model/ui/CTestMastoidPP.h"
#include "model/ui/CTestMicrophonesPP.h"
#include "model/ui/InstrumentChoice.h"
#include "platform/PreferenceStore.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <cstring>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;

const QDate kToday(2026, 12, 8);

class NoDialogs final : public SetupHost
{
public:
    bool editRetspl(EarphoneSlot &) override
    {
        ADD_FAILURE() << "no instrument page opens the RETSPL editor";
        return false;
    }
};

InstrumentIdentity identity(const char *model, const char *serial, const char *due)
{
    InstrumentIdentity id;
    setFixedText(id.manufacturer, "Mervane");
    setFixedText(id.model, model);
    setFixedText(id.serialNumber, serial);
    setFixedText(id.calibrationDue, due);
    return id;
}

InventoryEntry calibrator(const char *serial, const char *due, float frequency = 1000.0f)
{
    CalibratorData data{identity("Q-10", serial, due), frequency, 114.0f};
    return makeInventoryEntry(InventoryType::Calibrator, data);
}

InventoryEntry microphone(const char *serial, float sensitivity, const char *due = "2027-05-01")
{
    MicrophoneSlot mic{identity("M-40", serial, due)};
    for (int i = 0; i < kFrequencyCount; ++i)
        mic.response[i] = 0.1f * float(i) + sensitivity / 100.0f;
    mic.sensitivity = sensitivity;
    mic.gridCorrection[3] = -0.5f;
    InventoryEntry entry = makeInventoryEntry(InventoryType::Microphone, mic);
    // Bytes behind the slot's part of the body, which a test does not take along.
    entry.body[sizeof(MicrophoneSlot) + 5] = 0x7f;
    return entry;
}

template<class T> bool sameBytes(const T &slot, const InventoryEntry &entry)
{
    return std::memcmp(&slot, entry.body, sizeof slot) == 0;
}

class SetupInstrumentPagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        inventory.list(InventoryType::SoundLevelMeter)
            .push_back(makeInventoryEntry(InventoryType::SoundLevelMeter,
                                          identity("Trellan", "S100", "2027-03-01")));
        inventory.list(InventoryType::Preamplifier)
            .push_back(
                makeInventoryEntry(InventoryType::Preamplifier, identity("Quorran", "P7", "2027-03-01")));
        inventory.list(InventoryType::Calibrator).push_back(calibrator("C1", "2026-12-07"));
        inventory.list(InventoryType::Calibrator).push_back(calibrator("C2", "2026-12-08", 250.0f));
        inventory.list(InventoryType::Microphone).push_back(microphone("K1", 50.0f));
        inventory.list(InventoryType::Microphone).push_back(microphone("K2", 12.5f));
        MastoidData mastoid{identity("AMX", "4500", "2027-01-15")};
        mastoid.sensitivity = 2.5f;
        mastoid.lorvatSensitivity = 1.25f;
        mastoid.kestinResponse[7] = 3.0f;
        mastoid.pendryResponse[kFrequencyCount - 1] = -4.5f;
        mastoid.reserved[10] = 9;
        inventory.list(InventoryType::Mastoid).push_back(makeInventoryEntry(InventoryType::Mastoid, mastoid));
    }
    void TearDown() override { interaction.verifyDone(); }

    template<class T = QComboBox> T *child(QWidget &page, const QString &name)
    {
        T *found = page.findChild<T *>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    // What the technician's pick in the drop-down does.
    void choose(QWidget &page, const QString &comboName, const QString &text)
    {
        QComboBox *combo = child(page, comboName);
        ASSERT_NE(combo, nullptr);
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString() << " in " << comboName.toStdString();
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    }
    const InventoryEntry &entry(InventoryType type, std::size_t position)
    {
        return inventory.list(type)[position];
    }

    TempDir dir;
    PreferenceStore store{dir.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
    Inventory inventory;
    TestSetup working;
    CalibrationDueWarner warner{interaction, kToday};
    NoDialogs host;
    SetupContext context{working, inventory, store, interaction, warner, host, kToday};
};

TEST_F(SetupInstrumentPagesTest, ChoicesCopyExactlyTheInventoryBodiesAndNothingElse)
{
    setFixedText(working.technician, "Ada");
    working.couplerMicrophone[4].sensitivity = 7.0f; // a slot no choice here touches
    TestSetup expected = working;

    CTestEquipPP equipment(context);
    CTestCalibratorPP calibratorPage(context);
    CTestMastoidPP mastoidPage(context);
    CTestMicrophonesPP microphones(context);
    choose(equipment, QStringLiteral("slmCombo"), QStringLiteral("Trellan SN-S100"));
    choose(equipment, QStringLiteral("microphoneCombo"), QStringLiteral("M-40 SN-K2"));
    choose(equipment, QStringLiteral("preampCombo"), QStringLiteral("Quorran SN-P7"));
    choose(calibratorPage, QStringLiteral("calibratorCombo"), QStringLiteral("Q-10 SN-C2"));
    choose(mastoidPage, QStringLiteral("mastoidCombo"), QStringLiteral("AMX SN-4500"));
    choose(microphones, QStringLiteral("micSlot2Combo"), QStringLiteral("M-40 SN-K1"));

    EXPECT_TRUE(sameBytes(working.soundLevelMeter, entry(InventoryType::SoundLevelMeter, 0)));
    EXPECT_TRUE(sameBytes(working.couplerMicrophone[0], entry(InventoryType::Microphone, 1)));
    EXPECT_TRUE(sameBytes(working.preamplifier, entry(InventoryType::Preamplifier, 0)));
    EXPECT_TRUE(sameBytes(working.calibrator, entry(InventoryType::Calibrator, 1)));
    EXPECT_TRUE(sameBytes(working.mastoid, entry(InventoryType::Mastoid, 0)));
    EXPECT_TRUE(sameBytes(working.couplerMicrophone[2], entry(InventoryType::Microphone, 0)));
    EXPECT_EQ(child<QLabel>(equipment, QStringLiteral("micSensitivityLabel"))->text(),
              QStringLiteral("12.50 mV/Pa"));
    EXPECT_EQ(child<QLineEdit>(calibratorPage, QStringLiteral("calibratorFrequency"))->text(),
              QStringLiteral("250"));
    EXPECT_EQ(child<QLineEdit>(mastoidPage, QStringLiteral("lorvatSensitivity"))->text(),
              QStringLiteral("1.25"));

    // Everything outside the chosen slots is as it was.
    std::memcpy(&expected.soundLevelMeter, &working.soundLevelMeter, sizeof expected.soundLevelMeter);
    std::memcpy(&expected.preamplifier, &working.preamplifier, sizeof expected.preamplifier);
    std::memcpy(&expected.couplerMicrophone[0], &working.couplerMicrophone[0], sizeof(MicrophoneSlot));
    std::memcpy(&expected.couplerMicrophone[2], &working.couplerMicrophone[2], sizeof(MicrophoneSlot));
    std::memcpy(&expected.calibrator, &working.calibrator, sizeof expected.calibrator);
    std::memcpy(&expected.mastoid, &working.mastoid, sizeof expected.mastoid);
    EXPECT_EQ(std::memcmp(&expected, &working, sizeof working), 0);

    // The open-air slot is shared with the microphones page, which shows the equipment page's choice.
    microphones.load();
    EXPECT_EQ(child(microphones, QStringLiteral("micSlot0Combo"))->currentText(),
              QStringLiteral("M-40 SN-K2"));
    // "None" empties a slot.
    choose(microphones, QStringLiteral("micSlot0Combo"), QStringLiteral("None"));
    const MicrophoneSlot empty;
    EXPECT_EQ(std::memcmp(&working.couplerMicrophone[0], &empty, sizeof empty), 0);
    equipment.load();
    EXPECT_EQ(child(equipment, QStringLiteral("microphoneCombo"))->currentText(), QStringLiteral("None"));
    EXPECT_TRUE(child<QLabel>(equipment, QStringLiteral("micSensitivityLabel"))->text().isEmpty());
}

TEST_F(SetupInstrumentPagesTest, SlotsTheInventoryNoLongerHoldsAreShownAndKept)
{
    // A test set up with instruments since deleted, or changed in the inventory since.
    working.soundLevelMeter = identity("Trellan", "OLD9", "2025-01-01");
    working.preamplifier = entry(InventoryType::Preamplifier, 0).bodyAs<InstrumentIdentity>();
    setFixedText(working.preamplifier.calibrationDue, "2024-03-01"); // recalibrated since
    working.couplerMicrophone[0] = microphone("GONE", 33.0f).bodyAs<MicrophoneSlot>();
    working.couplerMicrophone[5] = microphone("K1", 40.0f).bodyAs<MicrophoneSlot>();
    working.calibrator = calibrator("C0", "2027-01-01").bodyAs<CalibratorData>();
    working.mastoid.identity = identity("AMX", "99", "2027-01-01");
    working.mastoid.pendryResponse[3] = 1.5f;
    working.transducerOptions.mastoidCouplerCode = 4; // no button offers it
    working.transducerOptions.calibrationMicrophoneSlot = 9;
    const TestSetup stored = working;

    CTestEquipPP equipment(context);
    CTestCalibratorPP calibratorPage(context);
    CTestMastoidPP mastoidPage(context);
    CTestMicrophonesPP microphones(context);
    const std::initializer_list<SetupPage *> pages = {&equipment, &calibratorPage, &mastoidPage,
                                                      &microphones};
    for (SetupPage *page : pages)
        page->load();
    for (SetupPage *page : pages)
        page->collect();
    EXPECT_EQ(std::memcmp(&stored, &working, sizeof working), 0);

    EXPECT_EQ(child(equipment, QStringLiteral("slmCombo"))->currentText(),
              QStringLiteral("Trellan SN-OLD9 (stored with the test)"));
    EXPECT_EQ(child(equipment, QStringLiteral("preampCombo"))->currentText(),
              QStringLiteral("Quorran SN-P7 (stored with the test)"));
    EXPECT_EQ(child(microphones, QStringLiteral("micSlot5Combo"))->currentText(),
              QStringLiteral("M-40 SN-K1 (stored with the test)"));
    EXPECT_EQ(child(mastoidPage, QStringLiteral("calibrationMicCombo"))->currentText(),
              QStringLiteral("Slot 9 (stored with the test)"));
    for (const char *button : {"kestinButton", "lorvatButton", "pendryButton"})
        EXPECT_FALSE(child<QRadioButton>(mastoidPage, QLatin1String(button))->isChecked()) << button;

    // The stored preamp was overdue, so it is marked like an overdue inventory entry.
    QComboBox *preamps = child(equipment, QStringLiteral("preampCombo"));
    EXPECT_TRUE(preamps->itemData(preamps->currentIndex(), kOverdueRole).toBool());
    EXPECT_TRUE(child<QLabel>(equipment, QStringLiteral("preampDetails"))->property("overdue").toBool());

    // Trying the inventory's entry and going back restores the stored bytes exactly.
    choose(microphones, QStringLiteral("micSlot5Combo"), QStringLiteral("M-40 SN-K1"));
    EXPECT_TRUE(sameBytes(working.couplerMicrophone[5], entry(InventoryType::Microphone, 0)));
    choose(microphones, QStringLiteral("micSlot5Combo"), QStringLiteral("M-40 SN-K1 (stored with the test)"));
    EXPECT_EQ(std::memcmp(&stored, &working, sizeof working), 0);
}

TEST_F(SetupInstrumentPagesTest, OverdueInstrumentsAreMarkedAndWarnedAboutOnce)
{
    CTestCalibratorPP page(context);
    QComboBox *combo = child(page, QStringLiteral("calibratorCombo"));
    const int yesterday = combo->findText(QStringLiteral("Q-10 SN-C1"));
    const int today = combo->findText(QStringLiteral("Q-10 SN-C2"));
    EXPECT_TRUE(combo->itemData(yesterday, kOverdueRole).toBool());
    EXPECT_EQ(combo->itemData(yesterday, Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));
    EXPECT_FALSE(combo->itemData(today, kOverdueRole).toBool());
    EXPECT_FALSE(combo->itemData(today, Qt::ForegroundRole).isValid());

    interaction.expectMessage(
        QStringLiteral("The calibrator Q-10 SN-C1 was due for calibration on 2026-12-07."));
    choose(page, QStringLiteral("calibratorCombo"), QStringLiteral("Q-10 SN-C1"));
    EXPECT_TRUE(child<QLabel>(page, QStringLiteral("calibratorDetails"))->property("overdue").toBool());
    // Choosing it again, after the one due today, does not repeat the warning: it never blocks either.
    choose(page, QStringLiteral("calibratorCombo"), QStringLiteral("Q-10 SN-C2"));
    EXPECT_FALSE(child<QLabel>(page, QStringLiteral("calibratorDetails"))->property("overdue").toBool());
    choose(page, QStringLiteral("calibratorCombo"), QStringLiteral("Q-10 SN-C1"));
    EXPECT_TRUE(sameBytes(working.calibrator, entry(InventoryType::Calibrator, 0)));
    EXPECT_EQ(interaction.transcript().size(), 1);

    // Other instruments warn in the same words.
    inventory.list(InventoryType::Microphone).push_back(microphone("K9", 20.0f, "2026-11-30"));
    CTestMicrophonesPP microphones(context);
    interaction.expectMessage(
        QStringLiteral("The microphone M-40 SN-K9 was due for calibration on 2026-11-30."));
    choose(microphones, QStringLiteral("micSlot6Combo"), QStringLiteral("M-40 SN-K9"));
}

TEST_F(SetupInstrumentPagesTest, MicrophoneSlotsAndMastoidCouplersFollowTheCouplerCodes)
{
    CTestMicrophonesPP microphones(context);
    // Each coupler's row, found by the coupler's own name, fills the slot of that coupler's code.
    for (int code = 1; code < kCouplerMicrophoneSlots; ++code) {
        QComboBox *row = nullptr;
        for (QLabel *label : microphones.findChildren<QLabel *>()) {
            if (label->buddy() && label->text().contains(couplerName(code)))
                row = qobject_cast<QComboBox *>(label->buddy());
        }
        ASSERT_NE(row, nullptr) << couplerName(code).toStdString();
        choose(microphones, row->objectName(), QStringLiteral("M-40 SN-K1"));
        for (int slot = 0; slot < kCouplerMicrophoneSlots; ++slot)
            EXPECT_EQ(fixedTextIsEmpty(working.couplerMicrophone[slot].identity.serialNumber),
                      slot == 0 || slot > code)
                << couplerName(code).toStdString() << " filled slot " << slot;
    }
    QLabel *openAir = nullptr;
    for (QLabel *label : microphones.findChildren<QLabel *>())
        if (label->buddy() == child(microphones, QStringLiteral("micSlot0Combo")))
            openAir = label;
    ASSERT_NE(openAir, nullptr);
    EXPECT_EQ(openAir->text(), QStringLiteral("Open Air"));

    CTestMastoidPP mastoid(context);
    for (const auto &[button, code] :
         {std::pair{"kestinButton", 2}, {"lorvatButton", 1}, {"pendryButton", 6}}) {
        auto *radio = child<QRadioButton>(mastoid, QLatin1String(button));
        EXPECT_TRUE(radio->text().startsWith(couplerName(code) + QStringLiteral("   (IEC 60318-")));
        radio->click();
        EXPECT_EQ(working.transducerOptions.mastoidCouplerCode, code) << button;
    }
    // The calibration microphone is named by coupler and stored as the slot number.
    choose(mastoid, QStringLiteral("calibrationMicCombo"),
           microphoneSlotName(2) + QStringLiteral(": M-40 SN-K1"));
    EXPECT_EQ(working.transducerOptions.calibrationMicrophoneSlot, 2);
    EXPECT_TRUE(microphoneSlotName(2).contains(couplerName(2)));
    choose(mastoid, QStringLiteral("calibrationMicCombo"), QStringLiteral("None"));
    EXPECT_EQ(working.transducerOptions.calibrationMicrophoneSlot, 0);
}

} // namespace
} // namespace tonva
