#pragma once

#include "measure/ui/MeasurementPageWidget.h"

class QButtonGroup;

namespace tonva {

class SoundFieldTest;

// The sound-field pages add the choice between the mono and the binaural page, and the mono page
// "Incidence angle:", which picks the reference the loudspeaker's levels are judged against.
class SoundFieldPageWidget final : public MeasurementPageWidget
{
    Q_OBJECT

public:
    explicit SoundFieldPageWidget(SoundFieldTest &page, QWidget *parent = nullptr);

    QButtonGroup *angles() const { return m_angles; }
    void refresh() override;

Q_SIGNALS:
    // The technician chose the other page; the sheet replaces this widget, so it must act later.
    void pageChosen(bool binaural);

private:
    QButtonGroup *m_angles = nullptr;
};

} // namespace tonva
