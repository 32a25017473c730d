#include "meter/MeterCalibration.h"
#include "meter/ui/CBatteryCheckDlg.h"
#include "meter/ui/CSlmCalibrationDlg.h"
#include "support/MeterLine.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::ScriptedInteraction;
using test::TempDir;

TrellanProfile readingHigh()
{
    TrellanProfile profile;
    profile.calibrationError = 0.3;
    profile.batteryPercent = 64.0;
    return profile;
}

// The dialogs offscreen on the built-in meter, on virtual time, with a 114 dB calibrator at 1 kHz
// on its microphone.
class SlmCalibrationDialogTest : public ::testing::Test, protected test::MeterLine
{
protected:
    SlmCalibrationDialogTest() : MeterLine(readingHigh()) {}

    void SetUp() override
    {
        ASSERT_EQ(port.Open(), 0);
        simulator.scene().setSound(PureTone{1000.0, 114.0});
    }

    template<class T> T *child(QWidget &dialog, const char *name)
    {
        T *found = dialog.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
};

TEST_F(SlmCalibrationDialogTest, ShowsTheReadingAndSetCalibrationCorrectsTheMeter)
{
    MeterCalibration logic(link, files, preferences,
                           {{"Acme", "A1", "C-9", 250.0, 94.0}, {"Brel", "CAL200", "C-1001", 1000.0, 114.0}},
                           {{"Brel", "MK224", "M-77", {}}});
    ASSERT_TRUE(logic.open());
    CSlmCalibrationDlg dialog(logic);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("SLM Calibration"));
    EXPECT_TRUE(dialog.readingsRunning());

    auto *calibrators = child<QComboBox>(dialog, "calibratorList");
    ASSERT_EQ(calibrators->count(), 2);
    EXPECT_EQ(calibrators->itemText(1), QStringLiteral("C-1001 (CAL200)"));
    calibrators->setCurrentIndex(1);
    Q_EMIT calibrators->activated(1);
    EXPECT_EQ(child<QLineEdit>(dialog, "calibratorFrequency")->text(), QStringLiteral("1000.0"));
    EXPECT_EQ(child<QLineEdit>(dialog, "calibratorOutputLevel")->text(), QStringLiteral("114.0"));
    EXPECT_EQ(child<QLineEdit>(dialog, "microphoneSerialNumber")->text(), QStringLiteral("M-77"));

    dialog.readNow();
    EXPECT_EQ(child<QLineEdit>(dialog, "measuredSpl")->text(), QStringLiteral("114.3"));
    EXPECT_EQ(child<QLineEdit>(dialog, "refLevelDifference")->text(), QStringLiteral("+0.3"));
    EXPECT_TRUE(dialog.readingsRunning()) << "the next reading is a second away";

    technician.expectAsk(MeterCalibration::activateCalibratorText(), Answer::Ok);
    child<QPushButton>(dialog, "setCalibrationButton")->click();
    technician.verifyDone();
    EXPECT_NEAR(simulator.meter().calibrationOffset(), 0.83 - 0.3, 0.01);
    EXPECT_TRUE(child<QPushButton>(dialog, "closeButton")->isEnabled());
    EXPECT_TRUE(dialog.readingsRunning());

    dialog.readNow();
    EXPECT_EQ(child<QLineEdit>(dialog, "measuredSpl")->text(), QStringLiteral("114.0"));

    child<QPushButton>(dialog, "closeButton")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.readingsRunning());
}

TEST_F(SlmCalibrationDialogTest, WithoutAMicrophoneTheDialogSaysSoAndOffersNoSetCalibration)
{
    MeterCalibration logic(link, files, preferences, {{"Brel", "CAL200", "C-1001", 1000.0, 114.0}}, {});
    technician.expectMessageStartingWith("No microphone is in the instrument list.");
    ASSERT_TRUE(logic.open());
    CSlmCalibrationDlg dialog(logic);
    dialog.show();
    EXPECT_FALSE(child<QPushButton>(dialog, "setCalibrationButton")->isEnabled());
    EXPECT_FALSE(dialog.readingsRunning());
    EXPECT_TRUE(child<QLabel>(dialog, "statusText")->text().startsWith("No microphone"));
}

TEST_F(SlmCalibrationDialogTest, BatteryCheckShowsTheBatteryLineEachTick)
{
    CBatteryCheckDlg dialog(link);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("SLM Battery Check"));
    dialog.refresh();
    EXPECT_EQ(dialog.text(), QStringLiteral("Battery Level: 64.0% OK"));
    child<QPushButton>(dialog, "okButton")->click();
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
} // namespace tonva
