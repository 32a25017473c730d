#pragma once

#include <QString>
#include <optional>

namespace tonva {

class CanvasDocument;

enum class ReportPageSize
{
    Letter,
    A4,
};

// "letter" or "a4" (any case); none for anything else.
std::optional<ReportPageSize> reportPageSizeFromName(const QString &name);

// Writes every page of the document into a PDF file at 600 dpi. Returns an empty string on
// success, else the reason the file could not be written.
QString writeReportPdf(const QString &path, CanvasDocument &document, ReportPageSize size = ReportPageSize::Letter);

} // namespace tonva
