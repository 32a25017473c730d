#pragma once

#include "report/Canvas.h"

#include <QPainter>

class QPagedPaintDevice;
class QPaintDevice;

namespace tonva {

// Draws on any paint device: a printer, the preview's printer, a PDF writer or an image. Layouts
// are made at a fixed logical resolution and scaled onto the device, so a low-resolution preview
// and a 600 dpi PDF put every cell at the same place on the page.
class PainterCanvas : public Canvas
{
public:
    static constexpr int kLogicalDpi = 600;

    explicit PainterCanvas(QPaintDevice &device);
    ~PainterCanvas() override;
    PainterCanvas(const PainterCanvas &) = delete;
    PainterCanvas &operator=(const PainterCanvas &) = delete;

    // False when the device refused painting (an unwritable PDF path, a printer gone away).
    bool isActive() const { return m_painter.isActive(); }
    // Ends painting; a PDF is complete on disk only after this (or the destructor).
    bool finish();
    // Device units per logical unit, for callers that map a layout back onto the device.
    QTransform logicalToDevice() const { return m_painter.isActive() ? m_painter.transform() : QTransform(); }

    QSize pageSize() const override { return m_page; }
    QSize resolution() const override { return {kLogicalDpi, kLogicalDpi}; }
    void selectFont(const CanvasFont &font) override;
    CanvasFont font() const override { return m_font; }
    CanvasFontMetrics metrics() const override { return m_metrics; }
    int textWidth(const QString &text) const override;
    void drawText(QPoint topLeft, const QString &text) override;
    void drawPolyline(const QList<QPoint> &points) override;
    void drawRect(const QRect &rect) override;
    void setPenWidth(int width) override;
    bool newPage() override;

private:
    void applyScale();

    QPaintDevice &m_device;
    QPagedPaintDevice *m_paged = nullptr;
    QPainter m_painter;
    QSize m_page;
    CanvasFont m_font;
    CanvasFontMetrics m_metrics;
};

} // namespace tonva
