#pragma once

#include "measure/HearingLevelAdjust.h"
#include "measure/ui/LiveReadingDialog.h"

class QLabel;
class QListWidget;

namespace tonva {

// "Adjust Level": the live level of one frequency while the technician trims the audiometer.
class CAdjustLevelDlg : public LiveReadingDialog
{
    Q_OBJECT
public:
    explicit CAdjustLevelDlg(HearingLevelAdjust &logic, QWidget *parent = nullptr);
    ~CAdjustLevelDlg() override;

    // Readies the meter, then shows the dialog until OK; returns at once when the meter could not be
    // readied and the technician gave up.
    static void run(HearingLevelAdjust &logic, QWidget *parent);

private:
    bool readOnce() override;

    HearingLevelAdjust &m_logic;
    QListWidget *m_frequencies;
    QLabel *m_level;
    QLabel *m_hearingLevel;
};

} // namespace tonva
