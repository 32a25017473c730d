#include "measure/ui/MaskingNoisePageWidget.h"

#include "graph/ui/CMyGraphDlg.h"
#include "measure/MaskingNoiseTest.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <cmath>

namespace tonva {

MaskingNoisePageWidget::MaskingNoisePageWidget(MaskingNoiseTest &page, QWidget *parent)
    : MeasurementPageWidget(page, parent)
{
    auto *label = new QLabel(QStringLiteral("HL Dial Setting:"), this);
    m_dial = new QLineEdit(this);
    m_dial->setObjectName(QStringLiteral("hlDialSetting"));
    m_dial->setMaximumWidth(80);
    label->setBuddy(m_dial);
    m_viewData = new QPushButton(QStringLiteral("View Data"), this);
    m_viewData->setObjectName(QStringLiteral("viewDataButton"));
    m_information = new QLabel(this);
    m_information->setObjectName(QStringLiteral("maskingInformation"));
    controls()->addWidget(label);
    controls()->addWidget(m_dial);
    controls()->addSpacing(16);
    controls()->addWidget(m_viewData);
    controls()->addSpacing(16);
    controls()->addWidget(m_information, 1);

    connect(m_dial, &QLineEdit::editingFinished, this, [this] {
        // The page may already be gone while the widget waits for its deletion.
        if (MaskingNoiseTest *masking = maskingPage())
            m_dial->setText(masking->editDialText(m_dial->text()));
    });
    connect(m_viewData, &QPushButton::clicked, this, &MaskingNoisePageWidget::viewData);
    connect(list(), &QTableView::doubleClicked, this, [this] {
        if (maskingPage() && !selectedRows().isEmpty())
            Q_EMIT measureRowRequested();
    });
    refresh();
}

MaskingNoiseTest *MaskingNoisePageWidget::maskingPage() const
{
    return dynamic_cast<MaskingNoiseTest *>(page());
}

void MaskingNoisePageWidget::refresh()
{
    const QList<int> selected = selectedRows();
    MeasurementPageWidget::refresh();
    selectRows(selected);
    if (MaskingNoiseTest *masking = maskingPage()) {
        if (!m_dial->hasFocus())
            m_dial->setText(masking->dialText());
        m_information->setText(masking->informationText());
    }
}

void MaskingNoisePageWidget::viewData()
{
    MaskingNoiseTest *masking = maskingPage();
    if (!masking)
        return;
    const std::optional<QList<QPointF>> points = masking->viewData(selectedRows());
    if (!points)
        return;
    GraphSeries series;
    series.kind = GraphSeries::kFirstDataKind;
    series.style = GraphSeries::kBars;
    series.callerData = true;
    series.xLow = 250.0;
    series.xHigh = 5000.0;
    double loudest = 0.0;
    for (const QPointF &point : *points)
        loudest = std::max(loudest, point.y());
    // Room above the loudest line, on a whole 10 dB.
    series.yLow = 0.0;
    series.yHigh = std::ceil((loudest + 10.0) / 10.0) * 10.0;
    series.points = *points;
    auto *dialog = new CMyGraphDlg(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!dialog->setSeries(series)) {
        delete dialog;
        masking->graphFailed();
        return;
    }
    m_graphDialog = dialog;
    dialog->open();
}

} // namespace tonva
