#pragma once

#include "measure/SpeechAdjust.h"
#include "measure/ui/LiveReadingDialog.h"

class QLabel;
class QRadioButton;

namespace tonva {

// The speech "Adjust Level" dialog: the live speech level, read at 1000 Hz or overall (C-weighted),
// while the technician trims the audiometer.
class CAdjustSpeechDlg : public LiveReadingDialog
{
    Q_OBJECT
public:
    explicit CAdjustSpeechDlg(SpeechAdjust &logic, QWidget *parent = nullptr);
    ~CAdjustSpeechDlg() override;

    // Readies the meter, then shows the dialog until OK; returns at once when the meter could not be
    // readied and the technician gave up.
    static void run(SpeechAdjust &logic, QWidget *parent);

    void accept() override;

private:
    bool readOnce() override;
    void chooseBasis(SpeechAdjustBasis basis);

    SpeechAdjust &m_logic;
    QRadioButton *m_oneKilohertz;
    QRadioButton *m_overall;
    QLabel *m_level;
    QLabel *m_hearingLevel;
};

} // namespace tonva
