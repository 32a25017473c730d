#include "report/AudReport.h"

#include "platform/TextFormat.h"

namespace tonva {

CRptLine &CRptLine::add(int column, const QString &text, unsigned style)
{
    if (m_count >= kMaxCells)
        return *this;
    CRptCell &cell = m_cells[static_cast<std::size_t>(m_count++)];
    cell.bold = (style & Bold) != 0;
    cell.large = (style & Large) != 0;
    cell.centred = (style & Centred) != 0;
    cell.column = column;
    cell.text = text;
    return *this;
}

CRptLine &CAudReport::addLine()
{
    m_lines.push_back(std::make_unique<CRptLine>());
    return *m_lines.back();
}

void CAudReport::addBlank()
{
    addLine().add(0, QString());
}

void CAudReport::append(CAudReport &&other)
{
    for (auto &line : other.m_lines)
        m_lines.push_back(std::move(line));
    other.m_lines.clear();
}

ReportGeometry ReportGeometry::measure(Canvas &canvas)
{
    const QSize dpi = canvas.resolution();
    const QString family = QStringLiteral("Times New Roman");
    ReportGeometry g;
    const int height = (8 * dpi.height()) / 72;
    g.normal = CanvasFont{family, height, false};
    g.large = CanvasFont{family, height * 3 / 2, false};
    g.bold = CanvasFont{family, height, true};
    const CanvasFontMetrics metrics = measureCanvasFont(g.normal);
    g.cw = std::max(1, metrics.averageCharWidth);
    g.lh = std::max(1, metrics.height + metrics.externalLeading);
    g.pageWidth = canvas.pageSize().width();
    g.pageHeight = canvas.pageSize().height();
    g.leftMargin = (3 * dpi.width()) / 4;
    g.topMargin = dpi.height() / 4;
    g.linesPerPage = std::max(1, (g.pageHeight - 3 * g.topMargin) / g.lh);
    g.bodyTop = g.topMargin + g.lh + (3 * g.lh) / 2;
    return g;
}

int ReportGeometry::pageCount(const CAudReport &report) const
{
    return std::max(1, (report.count() + linesPerPage - 1) / linesPerPage);
}

void drawReportPage(Canvas &canvas, const ReportGeometry &g, const CAudReport &report, int page)
{
    const CanvasFont previous = canvas.font();
    const int first = std::max(0, (page - 1) * g.linesPerPage);
    const int end = std::min(page * g.linesPerPage, report.count());
    int y = g.bodyTop;
    const CanvasFont *current = nullptr;
    for (int index = first; index < end; ++index) {
        const CRptLine &line = report.line(index);
        int previousEnd = g.leftMargin;
        bool lastLarge = false;
        for (int c = 0; c < line.count(); ++c) {
            const CRptCell &cell = line.cell(c);
            const CanvasFont *wanted = cell.large ? &g.large : cell.bold ? &g.bold : &g.normal;
            if (wanted != current) {
                canvas.selectFont(*wanted);
                current = wanted;
            }
            const int width = canvas.textWidth(cell.text);
            int x = g.leftMargin + cell.column * g.cw;
            if (cell.centred)
                x = (g.pageWidth - width) / 2;
            else if (cell.column == kAfterPrevious)
                x = previousEnd + g.cw;
            else if (cell.column == kRightAligned)
                x = g.pageWidth - g.leftMargin - width;
            else if (cell.column < 0)
                x = g.leftMargin;
            // A label longer than its column would print over the value beside it and make both
            // unreadable; the value then moves right by what the label overran.
            if (!cell.centred && cell.column >= 0 && c > 0 && !line.cell(c - 1).text.isEmpty() && x < previousEnd + g.cw / 2)
                x = previousEnd + g.cw / 2;
            if (!cell.text.isEmpty())
                canvas.drawText(QPoint(x, y), cell.text);
            previousEnd = x + width;
            lastLarge = cell.large;
        }
        y += lastLarge ? (g.lh * 3) / 2 : g.lh;
    }
    canvas.selectFont(previous);
}

void drawReportHeading(Canvas &canvas, const ReportGeometry &g, const QString &title, int page)
{
    const CanvasFont previous = canvas.font();
    canvas.selectFont(g.normal);
    canvas.drawText(QPoint(g.leftMargin, g.topMargin), title);
    const QString number = formatText("Page %d", page);
    canvas.drawText(QPoint(g.pageWidth - g.leftMargin - canvas.textWidth(number), g.topMargin), number);
    canvas.selectFont(previous);
}

} // namespace tonva
