#pragma once

#include "export/ExportFile.h"
#include "export/ExportRecords.h"

#include <QString>

namespace tonva {

class PreferenceStore;

// The messages of the export.
namespace exportmessage {
inline constexpr char kNoFileName[] = "Please specify an output file.";
inline constexpr char kCannotWrite[] = "Unable to open output file.";
inline constexpr char kCannotLaunch[] = "Unable to launch viewer.";
} // namespace exportmessage

// The export's remembered choices ("Settings" section).
struct ExportSettings
{
    ExportFormat format = ExportFormat::Spreadsheet;
    // ',' or TAB; the comma-separated format always writes ','.
    char delimiter = ',';

    static ExportSettings read(const PreferenceStore &preferences);
    void write(PreferenceStore &preferences) const;
    char effectiveDelimiter() const { return format == ExportFormat::CommaSeparated ? ',' : delimiter; }
};

// The extension a name without one gets: ".XLSX", ".CSV" or ".TXT".
QString exportExtension(ExportFormat format);

// The file an entered name stands for. Only the file's own name is upper-cased and given the
// format's extension when it has no '.' after its first character; the folders are kept as typed.
// A bare name goes into `defaultFolder`, or into the home folder when there is none. Empty for an
// empty name.
QString exportTargetPath(const QString &enteredName, ExportFormat format, const QString &defaultFolder);

// What is exported: an audiometer test or a booth survey, with what the records depend on.
struct ExportSource
{
    const AudTestRecord *test = nullptr;
    const BoothRecord *booth = nullptr;
    ExportContext context;
};

// The organisation lines and the booth window's column and page choices as the preferences hold them.
ExportContext exportContextFrom(const PreferenceStore &preferences, RegionalMode regionalMode);

// Writes `source` to `path` in `format`. Empty on success; otherwise the message for the user.
// `detail` receives the system's own reason, for a console that can show it.
QString writeExport(const QString &path, ExportFormat format, char delimiter, const ExportSource &source,
                    QString *detail = nullptr);

} // namespace tonva
