#pragma once

#include "measure/MaskingNoiseEvaluation.h"
#include "measure/MeasurementPage.h"
#include "measure/PageRegistry.h"
#include "meter/KeySimulator.h"
#include "meter/MeterRecords.h"

#include <QList>
#include <QPointF>
#include <optional>

namespace tonva {

// The broadband masking page's logic: the white noise of each source on one earphone, read as the
// meter's 400-line FFT spectrum and judged for flatness from 250 Hz to 5000 Hz around its 1000 Hz
// line.
class MaskingNoiseTest final : public MeasurementPage
{
public:
    explicit MaskingNoiseTest(const MeasurementServices &services);
    ~MaskingNoiseTest() override;

    int MeasureAll() override;
    int MeasureSelected(const QList<int> &rows) override;
    int Evaluate() const override;
    PageTable List() const override;

    // "HL Dial Setting:" as the field should show it.
    QString dialText() const;
    // The field was edited: an empty text or one that is no number puts the stored setting back (the
    // latter with a message); a number becomes the setting of both sides, whose fields stay equal.
    // Returns the text the field shows now.
    QString editDialText(const QString &text);
    QString informationText() const;

    // View Data: the graph points of the first selected row, or none after telling the technician why.
    std::optional<QList<QPointF>> viewData(const QList<int> &rows) const;
    // The graph would not take the points.
    void graphFailed() const;

    static constexpr int kBandwidthCode = 5; // 10 kHz span: 25 Hz a line
    static constexpr int kReadingGain = 2;   // 0 dB
    static constexpr int kRecordSeconds = 5;

protected:
    void onMeterAttached() override;
    int statusResult() const override;

private:
    enum class Reading
    {
        Stored,
        Failed,
        Cancelled,
    };

    BroadBandResult &block() const;
    BroadBandResult &blockOf(Ear ear) const;
    double reference1kHz() const;
    masking::List list(const BroadBandResult &result) const;
    int measureSource(masking::Source source);
    Reading readSpectrum(Progress &progress, meter::FftLines &lines);
    Reading ensureBandwidth(Progress &progress);
    void forget(masking::Source source);

    KeySimulator m_keys;
    SlmLink *m_keysLink = nullptr;
    // What this page last set and read on the attached meter; a new link starts unknown.
    int m_bandwidthCode = -1;
    std::optional<float> m_calOffset;
};

void registerMaskingNoisePage(PageRegistry &registry);

} // namespace tonva
