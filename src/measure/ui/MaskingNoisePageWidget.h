#pragma once

#include "measure/ui/MeasurementPageWidget.h"

#include "graph/ui/CMyGraphDlg.h"

#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tonva {

class MaskingNoiseTest;

// The broadband masking page adds "HL Dial Setting:", "View Data" with the spectrum's graph, and the
// note of what the stored results check. Double-clicking a row asks for it to be measured.
class MaskingNoisePageWidget final : public MeasurementPageWidget
{
    Q_OBJECT

public:
    explicit MaskingNoisePageWidget(MaskingNoiseTest &page, QWidget *parent = nullptr);

    void refresh() override;
    QLineEdit *dialSetting() const { return m_dial; }
    QPushButton *viewDataButton() const { return m_viewData; }
    QLabel *information() const { return m_information; }
    // The graph window View Data opened last, while it is open.
    CMyGraphDlg *graphDialog() const { return m_graphDialog; }

    void viewData();

Q_SIGNALS:
    // A row was double-clicked (and selected): measure it.
    void measureRowRequested();

private:
    MaskingNoiseTest *maskingPage() const;

    QLineEdit *m_dial;
    QPushButton *m_viewData;
    QLabel *m_information;
    QPointer<CMyGraphDlg> m_graphDialog;
};

} // namespace tonva
