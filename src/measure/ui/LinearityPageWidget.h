#pragma once

#include "measure/ui/MeasurementPageWidget.h"

class QComboBox;
class QLineEdit;

namespace tonva {

class LinearityTest;

// The linearity page adds its settings under the list: "Test Frequency:" among the frequencies the
// audiometer offers, "Max dBHL:", "Dial step:" and "Direction:" (Auto, Down or Up, the way the next
// series runs).
class LinearityPageWidget final : public MeasurementPageWidget
{
    Q_OBJECT

public:
    explicit LinearityPageWidget(LinearityTest &page, QWidget *parent = nullptr);

    QComboBox *frequency() const { return m_frequency; }
    QLineEdit *maximum() const { return m_maximum; }
    QComboBox *dialStep() const { return m_dialStep; }
    QComboBox *direction() const { return m_direction; }
    void refresh() override;
    // Shows the page's settings again; a series on "Auto" settles on Down or Up when it starts, and
    // a typed maximum is shown as the page took it.
    void showSettings();

private:
    LinearityTest *linearity() const;
    void addControl(const QString &label, QWidget *control);

    QComboBox *m_frequency;
    QLineEdit *m_maximum;
    QComboBox *m_dialStep;
    QComboBox *m_direction;
};

} // namespace tonva
