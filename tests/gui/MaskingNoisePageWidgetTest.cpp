#include "graph/ui/CMyGraphDlg.h"
#include "measure/HearingLevelRecord.h"
#include "measure/MaskingNoiseTest.h"
#include "measure/ui/MaskingNoisePageWidget.h"
#include "platform/Clock.h"
#include "platform/PreferenceStore.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace tonva::test {
namespace {

TEST(MaskingNoisePageWidget, ViewDataGraphsTheSelectedSourceAndTheDialFieldKeepsBothSides)
{
    TempDir dir;
    PreferenceStore preferences(dir.file("tonva.ini"));
    ScriptedInteraction technician;
    VirtualClock clock;
    auto record = hearingLevelRecord({1000});
    BroadBandResult &left = record->broadBand[0][0];
    left.method = 2;
    left.dialLevel = 70;
    std::fill(std::begin(left.spectrum[1]), std::end(left.spectrum[1]), 52.0f);
    left.spectrum[1][150] = -3.0f;
    MaskingNoiseTest page(MeasurementServices{technician, clock, preferences, RegionalMode::Alternate});
    page.Initialise({record.get(), TransducerType::SupraAural, Ear::Left, MeasurementEntry::BroadBandNoise});
    std::unique_ptr<MeasurementPageWidget> widget(MeasurementPageWidget::create(page));
    auto *masking = dynamic_cast<MaskingNoisePageWidget *>(widget.get());
    ASSERT_NE(masking, nullptr);
    // The alternate region offers only the tape inputs; row 0 is Tape/CD A.
    EXPECT_EQ(widget->model().rowCount(), 2);
    EXPECT_EQ(masking->dialSetting()->text(), QStringLiteral("70"));
    EXPECT_TRUE(masking->information()->text().startsWith(QLatin1String("Each frequency from 250 Hz")));

    widget->selectRows({0});
    masking->viewDataButton()->click();
    CMyGraphDlg *dialog = masking->graphDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("FFT Graph"));
    dialog->grab();
    const CGraph &graph = dialog->graph();
    EXPECT_EQ(graph.title(), QStringLiteral("FFT Values"));
    EXPECT_EQ(graph.xLow(), 250.0);
    EXPECT_EQ(graph.xHigh(), 5000.0);
    ASSERT_EQ(graph.drawnValues().size(), 191);
    // A negative level is drawn on the zero line.
    EXPECT_DOUBLE_EQ(graph.drawnValues().at(140).y(), graph.xAxisPixel());
    dialog->accept();

    masking->dialSetting()->setText(QStringLiteral("sixty"));
    technician.expectMessage(QStringLiteral("Invalid number in HL Dial Setting field."));
    Q_EMIT masking->dialSetting()->editingFinished();
    EXPECT_EQ(masking->dialSetting()->text(), QStringLiteral("70"));
    masking->dialSetting()->setText(QStringLiteral("60"));
    Q_EMIT masking->dialSetting()->editingFinished();
    EXPECT_EQ(record->broadBand[1][0].dialLevel, 60);
    masking->dialSetting()->clear();
    Q_EMIT masking->dialSetting()->editingFinished();
    EXPECT_EQ(masking->dialSetting()->text(), QStringLiteral("60"));
    technician.verifyDone();
}

} // namespace
} // namespace tonva::test
