#include "measure/HearingLevelRecord.h"
#include "measure/LinearityTest.h"
#include "measure/ui/LinearityPageWidget.h"
#include "platform/Clock.h"
#include "platform/PreferenceIndex.h"
#include "platform/PreferenceStore.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QComboBox>
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

} // namespace
} // namespace tonva::test
