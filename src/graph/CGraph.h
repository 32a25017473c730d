#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QString>

class QPainter;

namespace tonva {

// What a caller hands a graph to draw. Kinds 0 to 5 make their own curve over the X range (3 a sine,
// 4 a cosine); kinds 6 to 11 draw `points`. Styles: 0 filled bars, 1 connected lines, 2 single points.
struct GraphSeries
{
    static constexpr int kKinds = 12;
    static constexpr int kStyles = 4;
    static constexpr int kSine = 3;
    static constexpr int kCosine = 4;
    static constexpr int kFirstDataKind = 6;
    static constexpr int kBars = 0;
    static constexpr int kLines = 1;
    static constexpr int kPoints = 2;

    int kind = kFirstDataKind;
    int style = kLines;
    bool callerData = false;
    double xLow = -100.0;
    double xHigh = 100.0;
    double yLow = -100.0;
    double yHigh = 100.0;
    QString title;
    QString xLegend;
    QString yLegend;
    QList<QPointF> points;
};

// Why a series was not taken.
enum class GraphSeriesCheck
{
    Accepted,
    KindRefused,  // kind outside 0 to 11
    StyleRefused, // style outside 0 to 3
    DataMissing,  // kinds 6 to 8 need the caller's data
};

// The chart of the FFT Graph window: a coloured plot area, axes through the zero lines, tick labels
// "%.4g", a title, axis legends and one series. It paints with whatever QPainter it is given, so the
// same drawing serves a window and an image.
class CGraph
{
public:
    static constexpr int kMinimumWidth = 350;
    static constexpr int kMinimumHeight = 200;
    static constexpr int kSchemes = 8;
    static constexpr int kTicks = 10;

    CGraph();
    virtual ~CGraph();

    // Places the graph in its parent's client area: no smaller than 350 x 200, never at a negative
    // position.
    void Create(int left, int top, int width, int height, int scheme = 0);
    // Out-of-range schemes take scheme 0. `redraw` asks for the next Draw, which the parent's paint
    // brings.
    void SetColorScheme(int scheme, bool redraw = true);
    // The smaller value becomes the low end; equal values leave an axis 0.1 wide.
    void SetXRange(double a, double b);
    void SetYRange(double a, double b);
    void SetTitle(const QString &text) { m_title = text; }
    void SetXLegend(const QString &text) { m_xLegend = text; }
    void SetYLegend(const QString &text) { m_yLegend = text; }
    void SetFunctionName(const QString &text) { m_functionName = text; }
    // Checks the series; an accepted one brings its texts (those not empty) and ranges and replaces the
    // series drawn. A refused one changes nothing.
    GraphSeriesCheck SetSeries(const GraphSeries &series);

    void Draw(QPainter &painter);

    QRect geometry() const { return m_geometry; }
    // The plot area inside the geometry, where the series and the grid are drawn.
    QRect plotRect() const;
    double xLow() const { return m_xLow; }
    double xHigh() const { return m_xHigh; }
    double yLow() const { return m_yLow; }
    double yHigh() const { return m_yHigh; }
    // Pixels per unit, and where each axis is drawn: the X axis on the Y zero line (or the edge
    // nearest it), the Y axis on the X zero line.
    double xScale() const;
    double yScale() const;
    int xAxisPixel() const;
    int yAxisPixel() const;
    bool hasSeries() const { return m_hasSeries; }
    QString title() const { return m_title; }
    QString xLegend() const { return m_xLegend; }
    QString yLegend() const { return m_yLegend; }
    QString functionName() const { return m_functionName; }

    struct Scheme
    {
        QColor background;
        QColor plot;
        QColor axes;
        QColor grid;
        QColor text;
        QColor data;
    };
    static Scheme scheme(int index);
    const Scheme &colors() const { return m_scheme; }

    // The texts the last Draw painted, in order, with the point each was anchored at.
    struct DrawnText
    {
        QString text;
        QPointF at;
    };
    const QList<DrawnText> &drawnTexts() const { return m_drawnTexts; }
    // Pixels the last Draw put the series' values at.
    const QList<QPointF> &drawnValues() const { return m_drawnValues; }

private:
    QPointF toPixel(double x, double y) const;
    QList<QPointF> seriesPoints() const;
    void drawText(QPainter &painter, const QPointF &at, const QString &text, int flags);
    void drawSeries(QPainter &painter);

    QRect m_geometry{0, 0, kMinimumWidth, kMinimumHeight};
    Scheme m_scheme;
    QString m_title = QStringLiteral("Graph Title goes here");
    QString m_xLegend = QStringLiteral("X Axis Legend Text here");
    QString m_yLegend = QStringLiteral("Y Axis Legend text  here");
    QString m_functionName = QStringLiteral("Function Name (or extra text)");
    double m_xLow = -100.0;
    double m_xHigh = 100.0;
    double m_yLow = -100.0;
    double m_yHigh = 100.0;
    GraphSeries m_series;
    bool m_hasSeries = false;
    QList<DrawnText> m_drawnTexts;
    QList<QPointF> m_drawnValues;
};

} // namespace tonva
