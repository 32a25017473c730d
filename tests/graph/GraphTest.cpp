#include "graph/CGraph.h"

#include <QImage>
#include <QPainter>
#include <tuple>
#include <gtest/gtest.h>

namespace tonva {
namespace {

QImage render(CGraph &graph)
{
    QImage image(700, 500, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    graph.Draw(painter);
    return image;
}

QStringList texts(const CGraph &graph)
{
    QStringList all;
    for (const CGraph::DrawnText &text : graph.drawnTexts())
        all.append(text.text);
    return all;
}

GraphSeries spectrum(QList<QPointF> points)
{
    GraphSeries series;
    series.kind = 6;
    series.style = GraphSeries::kBars;
    series.callerData = true;
    series.xLow = 250.0;
    series.xHigh = 5000.0;
    series.yLow = 0.0;
    series.yHigh = 100.0;
    series.points = std::move(points);
    return series;
}

TEST(Graph, SpectrumRendersWithItsAxesTicksTextsAndValuesClampedToThePlot)
{
    CGraph graph;
    graph.Create(10, 10, 600, 400);
    graph.SetTitle(QStringLiteral("FFT Values"));
    graph.SetXLegend(QStringLiteral("Frequency"));
    graph.SetYLegend(QStringLiteral("dB"));
    QList<QPointF> points;
    for (int line = 10; line <= 200; ++line)
        points.append(QPointF(line * 25.0, line == 100 ? 150.0 : 52.0));
    ASSERT_EQ(graph.SetSeries(spectrum(points)), GraphSeriesCheck::Accepted);
    const QImage image = render(graph);

    const QStringList drawn = texts(graph);
    for (const char *label : {"250", "725", "1200", "2625", "5000", "0", "10", "50", "100", "FFT Values",
                              "Frequency", "dB", "Function Name (or extra text)"})
        EXPECT_TRUE(drawn.contains(QLatin1String(label))) << label << " in " << qPrintable(drawn.join('|'));
    // Zero lies below the X range, so the Y axis stands at the left edge; the X axis on Y's zero.
    const QRect plot = graph.plotRect();
    EXPECT_EQ(graph.yAxisPixel(), plot.left());
    EXPECT_EQ(graph.xAxisPixel(), plot.top() + plot.height());

    // The bar at 2500 Hz reaches the top edge and no further; its neighbours stop at 52 dB.
    const QPointF top = graph.drawnValues().at(90);
    EXPECT_DOUBLE_EQ(top.y(), plot.top());
    const int column = static_cast<int>(top.x());
    const QRgb data = graph.colors().data.rgb();
    EXPECT_EQ(image.pixel(column, plot.top() + 1), data);
    EXPECT_NE(image.pixel(column, plot.top() - 2), data);
    EXPECT_NE(image.pixel(static_cast<int>(graph.drawnValues().at(40).x()), plot.top() + 20), data);
}

TEST(Graph, RangesAreNormalisedAndRefusedSeriesChangeNothing)
{
    CGraph forward;
    CGraph backward;
    forward.SetXRange(-20.0, 80.0);
    backward.SetXRange(80.0, -20.0);
    forward.SetYRange(0.0, 10.0);
    backward.SetYRange(10.0, 0.0);
    EXPECT_EQ(render(forward), render(backward));
    // Zero inside the X range: the Y axis stands on it.
    EXPECT_EQ(forward.yAxisPixel(), forward.plotRect().left() + static_cast<int>(std::lround(20 * forward.xScale())));

    CGraph flat;
    flat.SetYRange(5.0, 5.0);
    EXPECT_DOUBLE_EQ(flat.yHigh(), 5.1);
    render(flat);
    EXPECT_TRUE(texts(flat).contains(QStringLiteral("5.1")));
    // All of Y above zero: the X axis lies along the bottom edge.
    EXPECT_EQ(flat.xAxisPixel(), flat.plotRect().top() + flat.plotRect().height());

    using Case = std::tuple<int, int, bool, GraphSeriesCheck>; // kind, style, caller's data, check
    const Case cases[] = {
        {12, 1, true, GraphSeriesCheck::KindRefused},  {-1, 1, true, GraphSeriesCheck::KindRefused},
        {6, 4, true, GraphSeriesCheck::StyleRefused},  {6, 1, false, GraphSeriesCheck::DataMissing},
        {8, 1, false, GraphSeriesCheck::DataMissing},  {9, 1, false, GraphSeriesCheck::Accepted},
        {3, 3, false, GraphSeriesCheck::Accepted},     {7, 2, true, GraphSeriesCheck::Accepted},
    };
    for (const auto &[kind, style, data, check] : cases) {
        CGraph graph;
        GraphSeries series = spectrum({QPointF(1000.0, 40.0)});
        series.kind = kind;
        series.style = style;
        series.callerData = data;
        series.title = QStringLiteral("Taken");
        EXPECT_EQ(graph.SetSeries(series), check) << kind << "/" << style;
        const bool accepted = check == GraphSeriesCheck::Accepted;
        render(graph);
        EXPECT_EQ(graph.hasSeries(), accepted);
        EXPECT_EQ(graph.drawnValues().isEmpty(), !accepted);
        EXPECT_EQ(graph.title(), accepted ? QStringLiteral("Taken") : QStringLiteral("Graph Title goes here"));
        // Kinds 7 and 8 count from zero.
        EXPECT_EQ(graph.xLow(), !accepted ? -100.0 : kind == 7 ? 0.0 : 250.0);
    }
}

} // namespace
} // namespace tonva
