#pragma once

#include "report/ReportSelection.h"

#include <QDialog>
#include <array>

class QCheckBox;

namespace tonva {

// "Select Data for Report": which sections a report prints. Every box starts checked.
class CRptDataSelectDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CRptDataSelectDlg(QWidget *parent = nullptr);

    ReportSelection selection() const;

private:
    void setAll(bool on);

    std::array<QCheckBox *, kMeasurementKinds> m_sections{};
    QCheckBox *m_retspl = nullptr;
};

} // namespace tonva
