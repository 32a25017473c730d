#pragma once

#include "measure/HearingLevelAdjust.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QTimer;

namespace tonva {

// "Adjust Level": the live level of one frequency while the technician trims the audiometer. A
// one-second timer reads the meter; the timer is stopped during a reading (which dispatches events
// while it waits) and restarted only when the reading came back, so a technician who stopped the
// readings at the meter's question is not asked again every second.
class CAdjustLevelDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAdjustLevelDlg(HearingLevelAdjust &logic, QWidget *parent = nullptr);
    ~CAdjustLevelDlg() override;

    // Readies the meter, then shows the dialog until OK; returns at once when the meter could not be
    // readied and the technician gave up.
    static void run(HearingLevelAdjust &logic, QWidget *parent);

    // Starts the readings: the first comes one second later.
    void startReadings();
    bool readingsRunning() const;
    // One reading now, as the timer does it.
    void tick();

    void accept() override;
    void reject() override;

private:
    void stopReadings();

    HearingLevelAdjust &m_logic;
    QListWidget *m_frequencies;
    QLabel *m_level;
    QLabel *m_hearingLevel;
    QTimer *m_timer;
    bool m_reading = false;
    bool m_closed = false;
};

} // namespace tonva
