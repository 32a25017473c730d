#include "report/PdfOutput.h"

#include "report/Canvas.h"
#include "report/PainterCanvas.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

namespace tonva {

std::optional<ReportPageSize> reportPageSizeFromName(const QString &name)
{
    const QString lower = name.trimmed().toLower();
    if (lower == QLatin1String("letter"))
        return ReportPageSize::Letter;
    if (lower == QLatin1String("a4"))
        return ReportPageSize::A4;
    return std::nullopt;
}

QString writeReportPdf(const QString &path, CanvasDocument &document, ReportPageSize size)
{
    {
        // QPdfWriter reports an unwritable path only as a painter that would not start.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            return QStringLiteral("Cannot write %1: %2").arg(path, probe.errorString());
    }
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("Tonva"));
    writer.setResolution(PainterCanvas::kLogicalDpi);
    writer.setPageLayout(QPageLayout(QPageSize(size == ReportPageSize::A4 ? QPageSize::A4 : QPageSize::Letter),
                                     QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    PainterCanvas canvas(writer);
    if (!canvas.isActive())
        return QStringLiteral("Cannot write %1").arg(path);
    if (renderDocument(canvas, document) < 0 || !canvas.finish())
        return QStringLiteral("Cannot write %1").arg(path);
    return {};
}

} // namespace tonva
