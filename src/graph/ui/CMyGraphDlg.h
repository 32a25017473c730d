#pragma once

#include "graph/CGraph.h"

#include <QDialog>

namespace tonva {

// Paints one CGraph across its client area, 10 pixels in from the top left.
class GraphCanvas final : public QWidget
{
    Q_OBJECT

public:
    explicit GraphCanvas(QWidget *parent = nullptr);

    CGraph &graph() { return m_graph; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    CGraph m_graph;
};

// The "FFT Graph" window: a spectrum a page hands over, with one OK button.
class CMyGraphDlg final : public QDialog
{
    Q_OBJECT

public:
    explicit CMyGraphDlg(QWidget *parent = nullptr);

    // False when the graph refuses the series; the window then has nothing to show.
    bool setSeries(const GraphSeries &series);
    CGraph &graph() { return m_canvas->graph(); }

private:
    GraphCanvas *m_canvas;
};

} // namespace tonva
