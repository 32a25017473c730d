#pragma once

#include "measure/ui/MeasurementPageWidget.h"

class QComboBox;

namespace tonva {

class LinearityTest;

// The linearity page adds "Direction:": Auto, Down or Up, the way the next series runs.
class LinearityPageWidget final : public MeasurementPageWidget
{
    Q_OBJECT

public:
    explicit LinearityPageWidget(LinearityTest &page, QWidget *parent = nullptr);

    QComboBox *direction() const { return m_direction; }
    void refresh() override;
    // Shows the page's direction again; a series on "Auto" settles on Down or Up when it starts.
    void showDirection();

private:
    QComboBox *m_direction;
};

} // namespace tonva
