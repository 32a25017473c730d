#pragma once

#include "measure/ui/MeasurementPageWidget.h"

class QCheckBox;
class QRadioButton;

namespace tonva {

class BoneConductionTest;

// The bone-level page adds "Placement:" (mastoid or forehead, which decides the reference force
// level) and "Show Applied Corrections", which lists each part of the mastoid correction.
class BoneLevelsPageWidget final : public MeasurementPageWidget
{
    Q_OBJECT

public:
    explicit BoneLevelsPageWidget(BoneConductionTest &page, QWidget *parent = nullptr);

    QCheckBox *showCorrections() const { return m_showCorrections; }
    QRadioButton *mastoid() const { return m_mastoid; }
    QRadioButton *forehead() const { return m_forehead; }
    void refresh() override;
    // The page's options wait while it measures; its list stays readable.
    void setOptionsEnabled(bool enabled);

private:
    void showPlacement();

    QRadioButton *m_mastoid;
    QRadioButton *m_forehead;
    QCheckBox *m_showCorrections;
};

} // namespace tonva
