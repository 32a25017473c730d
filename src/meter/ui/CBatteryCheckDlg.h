#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;

namespace tonva {

class SlmLink;

// "SLM Battery Check": the meter's battery line, read again every second until OK.
class CBatteryCheckDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CBatteryCheckDlg(SlmLink &link, QWidget *parent = nullptr);

    static void run(SlmLink &link, QWidget *parent);

    // One reading, as the timer takes it.
    void refresh();
    QString text() const;

    void accept() override;
    void reject() override;

private:
    SlmLink &m_link;
    QTimer m_timer;
    QLabel *m_text;
    // The meter's waits let the timer and OK through; a reading is never started inside another.
    bool m_reading = false;
    bool m_closeQueued = false;
};

} // namespace tonva
