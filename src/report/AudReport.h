#pragma once

#include "report/Canvas.h"

#include <QString>
#include <array>
#include <memory>
#include <vector>

namespace tonva {

// Column values with a meaning of their own; columns 0 and up count average character widths
// from the left margin.
inline constexpr int kAfterPrevious = -1; // one character width after the previous cell ends
inline constexpr int kRightAligned = -2;  // right edge at the right margin

// How a cell is printed; combine with |.
enum CellStyle : unsigned
{
    Plain = 0,
    Bold = 1,
    Large = 2,
    Centred = 4, // centred on the page, whatever the column
};

struct CRptCell
{
    bool bold = false;
    bool large = false;
    bool centred = false;
    int column = 0;
    QString text;
};

// One printed line of up to 17 cells.
class CRptLine
{
public:
    static constexpr int kMaxCells = 17;

    virtual ~CRptLine() = default;

    // Appends a cell; a line that is full keeps its cells and ignores more.
    CRptLine &add(int column, const QString &text, unsigned style = Plain);
    // The same, bold when `bold` holds: values judged outside their tolerance.
    CRptLine &add(int column, const QString &text, bool bold) { return add(column, text, bold ? Bold : Plain); }

    int count() const { return m_count; }
    const CRptCell &cell(int index) const { return m_cells[static_cast<std::size_t>(index)]; }

private:
    int m_count = 0;
    std::array<CRptCell, kMaxCells> m_cells;
};

// The whole report as lines, built before anything is drawn; it owns its lines.
class CAudReport
{
public:
    // Appends a new empty line and returns it for its cells.
    CRptLine &addLine();
    // A blank line is a line with one empty cell.
    void addBlank();
    int count() const { return static_cast<int>(m_lines.size()); }
    const CRptLine &line(int index) const { return *m_lines[static_cast<std::size_t>(index)]; }
    void clear() { m_lines.clear(); }
    // Moves every line of `other` to the end of this report.
    void append(CAudReport &&other);

private:
    std::vector<std::unique_ptr<CRptLine>> m_lines;
};

// The page geometry and fonts of the line reports, measured on the canvas they are printed on.
struct ReportGeometry
{
    CanvasFont normal;
    CanvasFont large;
    CanvasFont bold;
    int cw = 1; // average character width of the normal font
    int lh = 1; // line height: character height + external leading
    int pageWidth = 0;
    int pageHeight = 0;
    int leftMargin = 0;
    int topMargin = 0;
    int linesPerPage = 1;
    int bodyTop = 0; // where the first line of every page is drawn

    static ReportGeometry measure(Canvas &canvas);

    // Lines divided by lines per page, rounded up, at least 1.
    int pageCount(const CAudReport &report) const;
};

// Draws the lines of page `page` (1-based); leaves the canvas's font as it found it.
void drawReportPage(Canvas &canvas, const ReportGeometry &geometry, const CAudReport &report, int page);
// The heading every audiometer page carries: `title` at the left margin, "Page %d" right-aligned.
void drawReportHeading(Canvas &canvas, const ReportGeometry &geometry, const QString &title, int page);

} // namespace tonva
