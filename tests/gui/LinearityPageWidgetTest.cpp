#include "measure/HearingLevelRecord.h"
#include "measure/LinearityTest.h"
#include "measure/ui/LinearityPageWidget.h"
#include "platform/Clock.h"
#include "platform/PreferenceIndex.h"
#include "platform/PreferenceStore.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace tonva::test {
namespace {

TEST(LinearityPageWidget, DirectionStartsFromTheStoredSettingAndIsKeptForTheNextPage)
{
    TempDir dir;
    PreferenceStore preferences(dir.file("tonva.ini"));
    preferences.write(preference::LinDirection, static_cast<int>(LinearityDirection::Up));
    ScriptedInteraction technician;
    VirtualClock clock;
    auto record = hearingLevelRecord({1000});
    {
        LinearityTest page(MeasurementServices{technician, clock, preferences});
        page.Initialise({record.get(), TransducerType::SupraAural, Ear::Left, MeasurementEntry::Linearity});
        std::unique_ptr<MeasurementPageWidget> widget(MeasurementPageWidget::create(page));
        auto *linearity = dynamic_cast<LinearityPageWidget *>(widget.get());
        ASSERT_NE(linearity, nullptr);
        auto *box = widget->findChild<QComboBox *>(QStringLiteral("linearityDirection"));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->currentText(), QStringLiteral("Up"));
        box->setCurrentText(QStringLiteral("Auto"));
        EXPECT_EQ(page.direction(), LinearityDirection::Auto);
        // A series started on Auto settles on a direction; the control shows it once redrawn.
        page.setDirection(LinearityDirection::Down);
        widget->refresh();
        EXPECT_EQ(box->currentText(), QStringLiteral("Down"));
        box->setCurrentText(QStringLiteral("Auto"));
        // The list is the generic one: 110 down to 0 dB HL before any noise floor, and its own row.
        EXPECT_EQ(widget->model().rowCount(), 24);
    }
    EXPECT_EQ(preferences.read(preference::LinDirection), static_cast<int>(LinearityDirection::Auto));
}

TEST(LinearityPageWidget, SettingsControlsShowThePageAndTheTechniciansChoicesReachIt)
{
    TempDir dir;
    PreferenceStore preferences(dir.file("tonva.ini"));
    ScriptedInteraction technician;
    VirtualClock clock;
    auto record = hearingLevelRecord({500, 1000, 2000});
    record->linearity[0][0].measuredLevel[100] = 95.0f;
    LinearityTest page(MeasurementServices{technician, clock, preferences});
    page.Initialise({record.get(), TransducerType::SupraAural, Ear::Left, MeasurementEntry::Linearity});
    LinearityPageWidget widget(page);
    EXPECT_EQ(widget.frequency()->currentText(), QStringLiteral("1000.0"));
    EXPECT_EQ(widget.frequency()->count(), 3);
    EXPECT_EQ(widget.maximum()->text(), QStringLiteral("110"));
    EXPECT_EQ(widget.dialStep()->currentText(), QStringLiteral("5"));

    widget.maximum()->setText(QStringLiteral("150"));
    widget.maximum()->editingFinished();
    EXPECT_EQ(widget.maximum()->text(), QStringLiteral("140")) << "shown as the page took it";
    widget.dialStep()->textActivated(QStringLiteral("10"));
    EXPECT_EQ(page.dialStep(), 10);
    EXPECT_EQ(widget.model().rowCount(), 16) << "140 down to 0 in 10 dB steps, and the noise floor";
    EXPECT_EQ(record->linearity[0][0].measuredLevel[100], 0.0f) << "another step clears the readings";
    widget.frequency()->textActivated(QStringLiteral("2000.0"));
    EXPECT_EQ(page.testFrequency(), 2000.0);
    technician.verifyDone();
}

} // namespace
} // namespace tonva::test
