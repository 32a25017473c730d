#include "graph/ui/CMyGraphDlg.h"

#include <QDialogButtonBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

namespace {
constexpr int kInset = 10;
} // namespace

GraphCanvas::GraphCanvas(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("graphCanvas"));
    setMinimumSize(CGraph::kMinimumWidth + 2 * kInset, CGraph::kMinimumHeight + 2 * kInset);
}

void GraphCanvas::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_graph.Create(kInset, kInset, width() - 2 * kInset, height() - 2 * kInset, 0);
}

void GraphCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_graph.Draw(painter);
}

CMyGraphDlg::CMyGraphDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fftGraphDialog"));
    setWindowTitle(QStringLiteral("FFT Graph"));
    m_canvas = new GraphCanvas(this);
    CGraph &chart = m_canvas->graph();
    chart.SetTitle(QStringLiteral("FFT Values"));
    chart.SetYLegend(QStringLiteral("dB"));
    chart.SetXLegend(QStringLiteral("Frequency"));
    chart.SetFunctionName(QString());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, kInset, kInset);
    layout->addWidget(m_canvas, 1);
    layout->addWidget(buttons);
    resize(720, 520);
}

bool CMyGraphDlg::setSeries(const GraphSeries &series)
{
    const bool accepted = m_canvas->graph().SetSeries(series) == GraphSeriesCheck::Accepted;
    m_canvas->update();
    return accepted;
}

} // namespace tonva
