#pragma once

#include <QFont>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace tonva {

// A font as the printed layouts ask for it: by family name, with its character height in the
// canvas's device units (what a negative LOGFONT height means), regular or bold.
struct CanvasFont
{
    QString family;
    int height = 0;
    bool bold = false;

    bool operator==(const CanvasFont &) const = default;
};

// What the layouts measure with, in device units.
struct CanvasFontMetrics
{
    int height = 0; // ascent + descent
    int ascent = 0;
    int externalLeading = 0;
    int averageCharWidth = 0;
};

// Where printed pages are drawn: a printer, the preview, a PDF file, or a recording for tests.
// Every coordinate is in device units of the canvas; text is placed by the top-left corner of its
// cell, as printed layouts are specified.
class Canvas
{
public:
    virtual ~Canvas() = default;

    // The drawable page and how many device units make an inch.
    virtual QSize pageSize() const = 0;
    virtual QSize resolution() const = 0;

    virtual void selectFont(const CanvasFont &font) = 0;
    virtual CanvasFont font() const = 0;
    virtual CanvasFontMetrics metrics() const = 0;
    virtual int textWidth(const QString &text) const = 0;

    virtual void drawText(QPoint topLeft, const QString &text) = 0;
    virtual void drawPolyline(const QList<QPoint> &points) = 0;
    virtual void drawRect(const QRect &rect) = 0;
    // Lines drawn after this are `width` device units wide (0: the thinnest the device draws).
    virtual void setPenWidth(int width) = 0;

    // Ends the current page and starts the next; false when the device could not.
    virtual bool newPage() = 0;
};

// Something printable: it lays itself out for a canvas, then draws any of its pages on it. The
// preview, the printer, the PDF writer and the command line all print through this.
class CanvasDocument
{
public:
    virtual ~CanvasDocument() = default;
    // Builds the pages for this canvas's geometry; returns the page count (at least 1).
    virtual int prepare(Canvas &canvas) = 0;
    // Draws page `page` (1-based) on the canvas's current page.
    virtual void drawPage(Canvas &canvas, int page) = 0;
};

// Prepares the document and draws pages `first` to `last` (all when 0), one canvas page each.
// Returns the number of pages drawn, or -1 when the canvas refused a new page.
int renderDocument(Canvas &canvas, CanvasDocument &document, int first = 0, int last = 0);

// The metrics both canvases share, so a recorded layout is the layout that is printed.
CanvasFontMetrics measureCanvasFont(const CanvasFont &font);
QFont canvasQFont(const CanvasFont &font);
int measureCanvasText(const CanvasFont &font, const QString &text);

} // namespace tonva
