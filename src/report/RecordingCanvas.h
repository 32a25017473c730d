#pragma once

#include "report/Canvas.h"

#include <QList>

namespace tonva {

struct RecordedCell
{
    int page = 1;
    QPoint topLeft;
    QString text;
    CanvasFont font;
};

struct RecordedShape
{
    int page = 1;
    QList<QPoint> points; // a rectangle is recorded as its closed outline
    int penWidth = 0;
};

// Keeps everything drawn on it, page by page, with the metrics the painter canvas uses, so tests
// can check a layout cell by cell without rasterising it.
class RecordingCanvas : public Canvas
{
public:
    // US Letter at 600 dpi unless told otherwise.
    explicit RecordingCanvas(QSize pageSize = QSize(5100, 6600), QSize resolution = QSize(600, 600));

    QSize pageSize() const override { return m_page; }
    QSize resolution() const override { return m_resolution; }
    void selectFont(const CanvasFont &font) override;
    CanvasFont font() const override { return m_font; }
    CanvasFontMetrics metrics() const override { return m_metrics; }
    int textWidth(const QString &text) const override;
    void drawText(QPoint topLeft, const QString &text) override;
    void drawPolyline(const QList<QPoint> &points) override;
    void drawRect(const QRect &rect) override;
    void setPenWidth(int width) override { m_penWidth = width; }
    bool newPage() override;

    int pageCount() const { return m_pageNumber; }
    const QList<RecordedCell> &cells() const { return m_cells; }
    const QList<RecordedShape> &shapes() const { return m_shapes; }
    QList<RecordedCell> cellsOnPage(int page) const;
    // The n-th cell (0-based, in drawing order) whose text is exactly `text`; null when none.
    const RecordedCell *find(const QString &text, int nth = 0) const;
    // The cells drawn at the same height as `cell` on its page, left to right.
    QList<RecordedCell> lineOf(const RecordedCell &cell) const;

private:
    QSize m_page;
    QSize m_resolution;
    CanvasFont m_font;
    CanvasFontMetrics m_metrics;
    int m_penWidth = 0;
    int m_pageNumber = 1;
    QList<RecordedCell> m_cells;
    QList<RecordedShape> m_shapes;
};

} // namespace tonva
