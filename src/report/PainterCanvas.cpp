#include "report/PainterCanvas.h"

#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPolygon>

namespace tonva {

PainterCanvas::PainterCanvas(QPaintDevice &device)
    : m_device(device), m_paged(dynamic_cast<QPagedPaintDevice *>(&device))
{
    if (!m_painter.begin(&device))
        return;
    const qreal dpiX = std::max(1, device.logicalDpiX());
    const qreal dpiY = std::max(1, device.logicalDpiY());
    m_page = QSize(static_cast<int>(device.width() * kLogicalDpi / dpiX),
                   static_cast<int>(device.height() * kLogicalDpi / dpiY));
    applyScale();
    setPenWidth(0);
    selectFont(CanvasFont{QStringLiteral("Times New Roman"), kLogicalDpi / 9, false});
}

PainterCanvas::~PainterCanvas()
{
    finish();
}

bool PainterCanvas::finish()
{
    return !m_painter.isActive() || m_painter.end();
}

void PainterCanvas::applyScale()
{
    m_painter.resetTransform();
    m_painter.scale(m_device.logicalDpiX() / qreal(kLogicalDpi), m_device.logicalDpiY() / qreal(kLogicalDpi));
    m_painter.setRenderHint(QPainter::TextAntialiasing);
}

void PainterCanvas::selectFont(const CanvasFont &font)
{
    m_font = font;
    m_metrics = measureCanvasFont(font);
    if (m_painter.isActive())
        m_painter.setFont(canvasQFont(font));
}

int PainterCanvas::textWidth(const QString &text) const
{
    return measureCanvasText(m_font, text);
}

void PainterCanvas::drawText(QPoint topLeft, const QString &text)
{
    if (m_painter.isActive())
        m_painter.drawText(QPointF(topLeft.x(), topLeft.y() + m_metrics.ascent), text);
}

void PainterCanvas::drawPolyline(const QList<QPoint> &points)
{
    if (m_painter.isActive() && points.size() > 1)
        m_painter.drawPolyline(QPolygon(points));
}

void PainterCanvas::drawRect(const QRect &rect)
{
    if (m_painter.isActive())
        m_painter.drawRect(rect);
}

void PainterCanvas::setPenWidth(int width)
{
    if (!m_painter.isActive())
        return;
    QPen pen(Qt::black);
    pen.setWidth(std::max(0, width));
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
}

bool PainterCanvas::newPage()
{
    if (!m_painter.isActive() || !m_paged || !m_paged->newPage())
        return false;
    // Some devices reset the painter's state with the page; the layout expects the same scale.
    const QPen pen = m_painter.pen();
    applyScale();
    m_painter.setPen(pen);
    m_painter.setFont(canvasQFont(m_font));
    return true;
}

} // namespace tonva
