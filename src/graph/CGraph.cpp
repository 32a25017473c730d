#include "graph/CGraph.h"

#include "platform/TextFormat.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

namespace tonva {

namespace {

constexpr double kZeroWidthAxis = 0.1;
// Room around the plot for the tick labels, the legends and the title.
constexpr int kLeftMargin = 80;
constexpr int kRightMargin = 24;
constexpr int kTopMargin = 46;
constexpr int kBottomMargin = 48;
constexpr int kTickLength = 4;
constexpr int kGeneratedPoints = 200;

const std::array<CGraph::Scheme, CGraph::kSchemes> kSchemeColours{{
    {QColor(236, 236, 236), QColor(255, 255, 255), QColor(0, 0, 0), QColor(200, 200, 200), QColor(0, 0, 0), QColor(0, 0, 192)},
    {QColor(0, 0, 64), QColor(0, 0, 0), QColor(255, 255, 255), QColor(64, 64, 96), QColor(255, 255, 255), QColor(0, 255, 0)},
    {QColor(255, 250, 230), QColor(255, 255, 240), QColor(96, 64, 0), QColor(230, 220, 190), QColor(96, 64, 0), QColor(192, 0, 0)},
    {QColor(224, 240, 224), QColor(245, 255, 245), QColor(0, 64, 0), QColor(190, 220, 190), QColor(0, 64, 0), QColor(0, 128, 0)},
    {QColor(40, 40, 40), QColor(20, 20, 20), QColor(220, 220, 0), QColor(70, 70, 70), QColor(220, 220, 220), QColor(255, 128, 0)},
    {QColor(230, 230, 250), QColor(250, 250, 255), QColor(48, 0, 96), QColor(210, 200, 235), QColor(48, 0, 96), QColor(128, 0, 160)},
    {QColor(250, 235, 235), QColor(255, 248, 248), QColor(96, 0, 0), QColor(235, 200, 200), QColor(96, 0, 0), QColor(0, 96, 160)},
    {QColor(200, 200, 200), QColor(128, 128, 128), QColor(255, 255, 255), QColor(150, 150, 150), QColor(0, 0, 0), QColor(255, 255, 0)},
}};

void normalise(double a, double b, double &low, double &high)
{
    low = std::min(a, b);
    high = std::max(a, b);
    if (high == low)
        high = low + kZeroWidthAxis;
}

// Where the other axis crosses this one: at zero when zero lies inside, else at the nearer end.
double crossing(double low, double high)
{
    return std::clamp(0.0, low, high);
}

} // namespace

CGraph::CGraph() : m_scheme(kSchemeColours[0]) {}

CGraph::~CGraph() = default;

void CGraph::Create(int left, int top, int width, int height, int scheme)
{
    m_geometry = QRect(std::max(0, left), std::max(0, top), std::max(kMinimumWidth, width),
                       std::max(kMinimumHeight, height));
    SetColorScheme(scheme, false);
}

void CGraph::SetColorScheme(int scheme, bool redraw)
{
    Q_UNUSED(redraw);
    m_scheme = CGraph::scheme(scheme);
}

CGraph::Scheme CGraph::scheme(int index)
{
    return kSchemeColours[static_cast<std::size_t>(index >= 0 && index < kSchemes ? index : 0)];
}

void CGraph::SetXRange(double a, double b)
{
    normalise(a, b, m_xLow, m_xHigh);
}

void CGraph::SetYRange(double a, double b)
{
    normalise(a, b, m_yLow, m_yHigh);
}

GraphSeriesCheck CGraph::SetSeries(const GraphSeries &series)
{
    if (series.kind < 0 || series.kind >= GraphSeries::kKinds)
        return GraphSeriesCheck::KindRefused;
    if (series.style < 0 || series.style >= GraphSeries::kStyles)
        return GraphSeriesCheck::StyleRefused;
    if (series.kind >= 6 && series.kind <= 8 && !series.callerData)
        return GraphSeriesCheck::DataMissing;
    m_series = series;
    if (series.kind == 7 || series.kind == 8)
        m_series.xLow = 0.0;
    // A range that is not a number would put every value nowhere.
    if (std::isfinite(m_series.xLow) && std::isfinite(m_series.xHigh))
        SetXRange(m_series.xLow, m_series.xHigh);
    if (std::isfinite(m_series.yLow) && std::isfinite(m_series.yHigh))
        SetYRange(m_series.yLow, m_series.yHigh);
    if (!series.title.isEmpty())
        m_title = series.title;
    if (!series.xLegend.isEmpty())
        m_xLegend = series.xLegend;
    if (!series.yLegend.isEmpty())
        m_yLegend = series.yLegend;
    m_hasSeries = true;
    return GraphSeriesCheck::Accepted;
}

QRect CGraph::plotRect() const
{
    return m_geometry.adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
}

double CGraph::xScale() const
{
    return plotRect().width() / (m_xHigh - m_xLow);
}

double CGraph::yScale() const
{
    return plotRect().height() / (m_yHigh - m_yLow);
}

QPointF CGraph::toPixel(double x, double y) const
{
    const QRect plot = plotRect();
    return QPointF(plot.left() + (x - m_xLow) * xScale(), plot.top() + plot.height() - (y - m_yLow) * yScale());
}

int CGraph::xAxisPixel() const
{
    return static_cast<int>(std::lround(toPixel(m_xLow, crossing(m_yLow, m_yHigh)).y()));
}

int CGraph::yAxisPixel() const
{
    return static_cast<int>(std::lround(toPixel(crossing(m_xLow, m_xHigh), m_yLow).x()));
}

QList<QPointF> CGraph::seriesPoints() const
{
    if (m_series.kind >= GraphSeries::kFirstDataKind)
        return m_series.points;
    // The curves a graph makes itself; the program never asks for them, but a caller may.
    QList<QPointF> points;
    for (int i = 0; i <= kGeneratedPoints; ++i) {
        const double x = m_xLow + (m_xHigh - m_xLow) * i / kGeneratedPoints;
        const double radians = x * M_PI / 180.0;
        double y = 0.0;
        switch (m_series.kind) {
        case 0:
            y = x;
            break;
        case 1:
            y = x * x / std::max(std::abs(m_xHigh), std::abs(m_xLow));
            break;
        case 2:
            y = std::abs(x);
            break;
        case GraphSeries::kSine:
            y = m_yHigh * std::sin(radians);
            break;
        case GraphSeries::kCosine:
            y = m_yHigh * std::cos(radians);
            break;
        default:
            y = m_yHigh * std::sin(radians) * std::cos(radians / 3.0);
            break;
        }
        points.append(QPointF(x, y));
    }
    return points;
}

void CGraph::drawText(QPainter &painter, const QPointF &at, const QString &text, int flags)
{
    constexpr qreal kBox = 400.0;
    QRectF box(at.x(), at.y(), 0.0, 0.0);
    if (flags & Qt::AlignRight)
        box.setLeft(at.x() - kBox);
    else if (flags & Qt::AlignHCenter)
        box.adjust(-kBox / 2, 0, kBox / 2, 0);
    else
        box.setRight(at.x() + kBox);
    if (flags & Qt::AlignBottom)
        box.setTop(at.y() - kBox);
    else if (flags & Qt::AlignVCenter)
        box.adjust(0, -kBox / 2, 0, kBox / 2);
    else
        box.setBottom(at.y() + kBox);
    painter.drawText(box, flags, text);
    m_drawnTexts.append(DrawnText{text, at});
}

void CGraph::Draw(QPainter &painter)
{
    m_drawnTexts.clear();
    m_drawnValues.clear();
    painter.save();
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(12);
    painter.setFont(font);
    painter.fillRect(m_geometry, m_scheme.background);
    const QRect plot = plotRect();
    painter.fillRect(plot, m_scheme.plot);

    // Grid and tick labels, ten divisions a side.
    painter.setPen(QPen(m_scheme.grid, 1));
    for (int i = 0; i <= kTicks; ++i) {
        const double x = m_xLow + (m_xHigh - m_xLow) * i / kTicks;
        const double y = m_yLow + (m_yHigh - m_yLow) * i / kTicks;
        const QPointF px = toPixel(x, m_yLow);
        const QPointF py = toPixel(m_xLow, y);
        painter.setPen(QPen(m_scheme.grid, 1));
        painter.drawLine(QPointF(px.x(), plot.top()), QPointF(px.x(), plot.top() + plot.height()));
        painter.drawLine(QPointF(plot.left(), py.y()), QPointF(plot.left() + plot.width(), py.y()));
        painter.setPen(m_scheme.text);
        drawText(painter, QPointF(px.x(), plot.top() + plot.height() + kTickLength), formatText("%.4g", x),
                 Qt::AlignHCenter | Qt::AlignTop);
        drawText(painter, QPointF(plot.left() - kTickLength - 2, py.y()), formatText("%.4g", y),
                 Qt::AlignRight | Qt::AlignVCenter);
    }

    // The axes on the zero lines.
    painter.setPen(QPen(m_scheme.axes, 2));
    painter.drawLine(QPointF(plot.left(), xAxisPixel()), QPointF(plot.left() + plot.width(), xAxisPixel()));
    painter.drawLine(QPointF(yAxisPixel(), plot.top()), QPointF(yAxisPixel(), plot.top() + plot.height()));

    painter.setPen(m_scheme.text);
    drawText(painter, QPointF(m_geometry.center().x(), m_geometry.top() + 6), m_title, Qt::AlignHCenter | Qt::AlignTop);
    drawText(painter, QPointF(m_geometry.center().x(), m_geometry.top() + 24), m_functionName,
             Qt::AlignHCenter | Qt::AlignTop);
    drawText(painter, QPointF(plot.center().x(), m_geometry.bottom() - 4), m_xLegend,
             Qt::AlignHCenter | Qt::AlignBottom);
    painter.save();
    painter.translate(m_geometry.left() + 14, plot.center().y());
    painter.rotate(-90.0);
    painter.drawText(QRectF(-200.0, -10.0, 400.0, 20.0), Qt::AlignCenter, m_yLegend);
    painter.restore();
    m_drawnTexts.append(DrawnText{m_yLegend, QPointF(m_geometry.left() + 14, plot.center().y())});

    if (m_hasSeries)
        drawSeries(painter);
    painter.restore();
}

void CGraph::drawSeries(QPainter &painter)
{
    const QRect plot = plotRect();
    painter.setClipRect(plot);
    painter.setPen(QPen(m_scheme.data, 1));
    QList<QPointF> pixels;
    for (const QPointF &value : seriesPoints()) {
        if (!std::isfinite(value.x()) || !std::isfinite(value.y()))
            continue;
        // Values beyond the Y range are drawn at its nearer limit, not outside the plot.
        pixels.append(toPixel(value.x(), std::clamp(value.y(), m_yLow, m_yHigh)));
    }
    m_drawnValues = pixels;
    switch (m_series.style) {
    case GraphSeries::kBars: {
        const double axis = xAxisPixel();
        // Bars a pixel wider than their spacing, so neighbours meet without rounding gaps.
        const double width = pixels.size() > 1 ? std::ceil(plot.width() / double(pixels.size())) + 1.0 : 3.0;
        for (const QPointF &pixel : pixels) {
            const QRectF bar(QPointF(pixel.x() - width / 2, std::min(axis, pixel.y())),
                             QPointF(pixel.x() + width / 2, std::max(axis, pixel.y())));
            painter.fillRect(bar, m_scheme.data);
        }
        break;
    }
    case GraphSeries::kLines:
        painter.drawPolyline(pixels.constData(), static_cast<int>(pixels.size()));
        break;
    case GraphSeries::kPoints:
        painter.drawPoints(pixels.constData(), static_cast<int>(pixels.size()));
        break;
    default:
        painter.drawPolyline(pixels.constData(), static_cast<int>(pixels.size()));
        painter.drawPoints(pixels.constData(), static_cast<int>(pixels.size()));
        break;
    }
    painter.setClipping(false);
}

} // namespace tonva
