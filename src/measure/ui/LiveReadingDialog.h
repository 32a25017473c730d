#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace tonva {

// A dialog that shows the meter's live reading while the technician trims the audiometer. A
// one-second timer reads the meter; the timer is stopped during a reading (which dispatches events
// while it waits) and restarted only when the reading came back, so a technician who stopped the
// readings at the meter's question is not asked again every second.
class LiveReadingDialog : public QDialog
{
    Q_OBJECT
public:
    // Starts the readings: the first comes one second later.
    void startReadings();
    bool readingsRunning() const;
    // One reading now, as the timer does it.
    void tick();

    void accept() override;
    void reject() override;

protected:
    explicit LiveReadingDialog(QWidget *parent);

    // One reading from the meter, shown; false when there was none and the readings stop.
    virtual bool readOnce() = 0;
    void stopReadings();
    // A large sunken figure for a live value.
    QLabel *valueLabel(const char *name);

private:
    QTimer *m_timer;
    bool m_reading = false;
    bool m_closed = false;
};

} // namespace tonva
