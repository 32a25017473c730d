#include "report/RecordingCanvas.h"

#include <algorithm>

namespace tonva {

RecordingCanvas::RecordingCanvas(QSize pageSize, QSize resolution) : m_page(pageSize), m_resolution(resolution)
{
    selectFont(CanvasFont{QStringLiteral("Times New Roman"), resolution.height() / 9, false});
}

void RecordingCanvas::selectFont(const CanvasFont &font)
{
    m_font = font;
    m_metrics = measureCanvasFont(font);
}

int RecordingCanvas::textWidth(const QString &text) const
{
    return measureCanvasText(m_font, text);
}

void RecordingCanvas::drawText(QPoint topLeft, const QString &text)
{
    m_cells.append(RecordedCell{m_pageNumber, topLeft, text, m_font});
}

void RecordingCanvas::drawPolyline(const QList<QPoint> &points)
{
    m_shapes.append(RecordedShape{m_pageNumber, points, m_penWidth});
}

void RecordingCanvas::drawRect(const QRect &rect)
{
    m_shapes.append(RecordedShape{
        m_pageNumber,
        {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft(), rect.topLeft()},
        m_penWidth});
}

bool RecordingCanvas::newPage()
{
    ++m_pageNumber;
    return true;
}

QList<RecordedCell> RecordingCanvas::cellsOnPage(int page) const
{
    QList<RecordedCell> result;
    for (const RecordedCell &cell : m_cells) {
        if (cell.page == page)
            result.append(cell);
    }
    return result;
}

const RecordedCell *RecordingCanvas::find(const QString &text, int nth) const
{
    for (const RecordedCell &cell : m_cells) {
        if (cell.text == text && nth-- == 0)
            return &cell;
    }
    return nullptr;
}

QList<RecordedCell> RecordingCanvas::lineOf(const RecordedCell &cell) const
{
    QList<RecordedCell> result;
    for (const RecordedCell &other : m_cells) {
        if (other.page == cell.page && other.topLeft.y() == cell.topLeft.y())
            result.append(other);
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const RecordedCell &a, const RecordedCell &b) { return a.topLeft.x() < b.topLeft.x(); });
    return result;
}

} // namespace tonva
