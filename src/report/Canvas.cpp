#include "report/Canvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <cmath>

namespace tonva {

// Unhinted pixel-sized fonts scale linearly, so a layout measured here holds on every device.
QFont canvasQFont(const CanvasFont &font)
{
    QFont result(font.family);
    result.setPixelSize(std::max(1, font.height));
    result.setBold(font.bold);
    result.setHintingPreference(QFont::PreferNoHinting);
    result.setKerning(false);
    return result;
}

namespace {

int rounded(qreal value)
{
    return static_cast<int>(std::lround(value));
}

} // namespace

CanvasFontMetrics measureCanvasFont(const CanvasFont &font)
{
    const QFontMetricsF metrics(canvasQFont(font));
    CanvasFontMetrics result;
    result.ascent = rounded(metrics.ascent());
    result.height = result.ascent + rounded(metrics.descent());
    result.externalLeading = std::max(0, rounded(metrics.leading()));
    result.averageCharWidth = std::max(1, rounded(metrics.averageCharWidth()));
    return result;
}

int measureCanvasText(const CanvasFont &font, const QString &text)
{
    return rounded(QFontMetricsF(canvasQFont(font)).horizontalAdvance(text));
}

int renderDocument(Canvas &canvas, CanvasDocument &document, int first, int last)
{
    const int pages = std::max(1, document.prepare(canvas));
    first = first < 1 ? 1 : first;
    last = last < 1 || last > pages ? pages : last;
    int drawn = 0;
    for (int page = first; page <= last; ++page) {
        if (drawn > 0 && !canvas.newPage())
            return -1;
        document.drawPage(canvas, page);
        ++drawn;
    }
    return drawn;
}

} // namespace tonva
