#pragma once

#include <QDialog>
#include <QTimer>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tonva {

class MeterCalibration;

// "SLM Calibration": the chosen calibrator and microphone, the level the meter reads from the
// calibrator once a second and its difference from the calibrator's stated level, and Set
// Calibration. Everything it shows and does comes from the logic; the dialog only shows and forwards.
class CSlmCalibrationDlg : public QDialog
{
    Q_OBJECT
public:
    // `logic` must have been opened.
    explicit CSlmCalibrationDlg(MeterCalibration &logic, QWidget *parent = nullptr);

    // Opens the logic and, when the meter got ready, shows the dialog until it is closed.
    static void run(MeterCalibration &logic, QWidget *parent);

    // One reading, as the one-second timer takes it.
    void readNow();
    // Set Calibration, as its button does it.
    void setCalibration();
    bool readingsRunning() const { return m_timer.isActive(); }

    void reject() override;

private:
    void showCalibrator();
    void showMicrophone();
    void showStatus();
    void restartReadings();
    void runQueued();
    void setButtonsEnabled(bool enabled);

    MeterCalibration &m_logic;
    QTimer m_timer;
    // The link is in use (a reading or Set Calibration runs, and the meter's waits let clicks
    // through); a click meanwhile is acted on once it is free.
    bool m_busy = false;
    bool m_setQueued = false;
    bool m_closeQueued = false;

    QComboBox *m_calibrators;
    QLineEdit *m_calManufacturer;
    QLineEdit *m_calModel;
    QLineEdit *m_calSerial;
    QLineEdit *m_calFrequency;
    QLineEdit *m_calLevel;
    QComboBox *m_microphones;
    QLineEdit *m_micManufacturer;
    QLineEdit *m_micModel;
    QLineEdit *m_micSerial;
    QLineEdit *m_measured;
    QLineEdit *m_difference;
    QLabel *m_status;
    QPushButton *m_setButton;
    QPushButton *m_closeButton;
};

} // namespace tonva
