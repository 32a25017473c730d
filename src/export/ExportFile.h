#pragma once

#include "export/ExportRecords.h"

#include <QByteArray>
#include <QString>

namespace tonva {

// The file formats of the export, by the number the "Export Report Type" setting stores.
enum class ExportFormat : int
{
    Spreadsheet = 0,
    CommaSeparated = 1,
    Text = 2,
};

// Records as the text formats store them: cp1252 bytes, fields joined by `delimiter`, every record
// closed by a single CR. A field holding the delimiter, a quote or a line end is quoted (quotes
// doubled), so a customer "Smith, Jones" stays one field.
QByteArray encodeExportRecords(const QList<ExportRecord> &records, char delimiter);

// Writes the bytes so that the file is either complete or untouched. Empty on success, else why.
QString writeExportBytes(const QString &path, const QByteArray &bytes);

// Writes the records as a workbook of one sheet named `sheetName`: one field per column, numbers as
// numbers with their places, dates as dates. Empty on success, else why.
QString writeExportWorkbook(const QString &path, const QString &sheetName, const QList<ExportRecord> &records);

} // namespace tonva
