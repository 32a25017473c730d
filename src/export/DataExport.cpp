#include "export/DataExport.h"

#include "platform/PreferenceStore.h"

#include <QDir>
#include <QFileInfo>

namespace tonva {

namespace {

constexpr char kTab = '\t';

// Where the folders end in an entered name. Windows users type either separator; elsewhere a
// backslash is an ordinary character of a file name.
qsizetype lastSeparator(const QString &name)
{
#if defined(Q_OS_WIN)
    return std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
#else
    return name.lastIndexOf(QLatin1Char('/'));
#endif
}

} // namespace

ExportSettings ExportSettings::read(const PreferenceStore &preferences)
{
    ExportSettings settings;
    const int format = preferences.read(preference::ExportReportType);
    settings.format = format >= 0 && format <= 2 ? static_cast<ExportFormat>(format) : ExportFormat::Spreadsheet;
    settings.delimiter = preferences.read(preference::ExportDelimiter) > 0 ? kTab : ',';
    return settings;
}

void ExportSettings::write(PreferenceStore &preferences) const
{
    preferences.write(preference::ExportReportType, static_cast<int>(format));
    preferences.write(preference::ExportDelimiter, delimiter == kTab ? 1 : 0);
}

QString exportExtension(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Spreadsheet:
        return QStringLiteral(".XLSX");
    case ExportFormat::CommaSeparated:
        return QStringLiteral(".CSV");
    case ExportFormat::Text:
        break;
    }
    return QStringLiteral(".TXT");
}

QString exportTargetPath(const QString &enteredName, ExportFormat format, const QString &defaultFolder)
{
    const QString name = enteredName.trimmed();
    if (name.isEmpty())
        return {};
    const qsizetype separator = lastSeparator(name);
    QString folder = name.left(separator + 1);
    QString file = name.mid(separator + 1).toUpper();
    if (file.indexOf(QLatin1Char('.'), 1) < 0)
        file += exportExtension(format);
    if (separator < 0) {
        const QString base = defaultFolder.trimmed().isEmpty() ? QDir::homePath() : defaultFolder.trimmed();
        folder = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
    }
    return folder + file;
}

ExportContext exportContextFrom(const PreferenceStore &preferences, RegionalMode regionalMode)
{
    ExportContext context;
    context.companyName = preferences.read(preference::CompanyName);
    context.header1 = preferences.read(preference::Header1);
    context.header2 = preferences.read(preference::Header2);
    context.regionalMode = regionalMode;
    const AmbientDisplay booth = AmbientDisplay::fromPreferences(preferences);
    context.displayEarsNotCovered = booth.earsNotCovered;
    context.boothPages = booth.pages;
    return context;
}

QString writeExport(const QString &path, ExportFormat format, char delimiter, const ExportSource &source,
                    QString *detail)
{
    ExportContext context = source.context;
    context.spreadsheet = format == ExportFormat::Spreadsheet;
    const QList<ExportRecord> records = source.test ? audiometerExportRecords(*source.test, context)
                                        : source.booth ? boothExportRecords(*source.booth, context)
                                                       : QList<ExportRecord>{};
    QString why;
    if (format == ExportFormat::Spreadsheet) {
        why = writeExportWorkbook(path,
                                  source.test ? QStringLiteral("Audiometer Report") : QStringLiteral("Booth Report"),
                                  records);
    } else {
        const char used = format == ExportFormat::CommaSeparated ? ',' : delimiter;
        why = writeExportBytes(path, encodeExportRecords(records, used));
    }
    if (why.isEmpty())
        return {};
    if (detail)
        *detail = why;
    return QString::fromLatin1(exportmessage::kCannotWrite);
}

} // namespace tonva
