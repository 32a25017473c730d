#pragma once

#include "measure/SpeechAdjust.h"

#include <QDialog>

class QLabel;
class QRadioButton;
class QTimer;

namespace tonva {

// The speech "Adjust Level" dialog: the live speech level, read at 1000 Hz or overall (C-weighted),
// while the technician trims the audiometer. The timer is stopped during a reading (which dispatches
// events while it waits) and restarted only when the reading came back.
class CAdjustSpeechDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAdjustSpeechDlg(SpeechAdjust &logic, QWidget *parent = nullptr);
    ~CAdjustSpeechDlg() override;

    // Readies the meter, then shows the dialog until OK; returns at once when the meter could not be
    // readied and the technician gave up.
    static void run(SpeechAdjust &logic, QWidget *parent);

    void startReadings();
    bool readingsRunning() const;
    // One reading now, as the timer does it.
    void tick();

    void accept() override;
    void reject() override;

private:
    void chooseBasis(SpeechAdjustBasis basis);
    void stopReadings();

    SpeechAdjust &m_logic;
    QRadioButton *m_oneKilohertz;
    QRadioButton *m_overall;
    QLabel *m_level;
    QLabel *m_hearingLevel;
    QTimer *m_timer;
    bool m_reading = false;
    bool m_closed = false;
};

} // namespace tonva
