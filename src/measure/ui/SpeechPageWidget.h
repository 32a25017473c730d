#pragma once

#include "measure/ui/MeasurementPageWidget.h"

class QButtonGroup;
class QGroupBox;
class QLineEdit;

namespace tonva {

class SpeechTest;

// The speech page adds "HL Dial Setting:", and "Placement:" for the bone vibrator or "Incidence
// Angle:" for the loudspeakers.
class SpeechPageWidget final : public MeasurementPageWidget
{
    Q_OBJECT

public:
    explicit SpeechPageWidget(SpeechTest &page, QWidget *parent = nullptr);

    QLineEdit *dialSetting() const { return m_dial; }
    QGroupBox *placementGroup() const { return m_placement; }
    QGroupBox *incidenceGroup() const { return m_incidence; }
    void refresh() override;

private:
    SpeechTest *speech() const;
    void applyDialText();

    QLineEdit *m_dial = nullptr;
    QGroupBox *m_placement;
    QButtonGroup *m_placements;
    QGroupBox *m_incidence;
    QButtonGroup *m_angles;
};

} // namespace tonva
