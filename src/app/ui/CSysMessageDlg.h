#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tonva {

// The "Message" window: two lines telling the technician what a measurement or calibration is
// doing, shown beside the work without blocking it.
class CSysMessageDlg final : public QDialog
{
    Q_OBJECT

public:
    explicit CSysMessageDlg(QWidget *parent = nullptr);

    // Shows (or updates) the window with these lines; it does not take the focus.
    void showMessage(const QString &firstLine, const QString &secondLine = QString());
    void dismiss();

    QString firstLine() const;
    QString secondLine() const;

private:
    QLabel *m_first;
    QLabel *m_second;
    QPushButton *m_dismiss;
};

} // namespace tonva
