#include "cli/Commands.h"
#include "cli/ConsoleInteraction.h"
#include "model/Blobs.h"
#include "report/Certificate.h"
#include "report/Comparison.h"
#include "report/PdfOutput.h"
#include "report/TabularReport.h"
#include "storage/DatabaseFile.h"
#include "storage/Recordsets.h"
#include "storage/SchemaConversion.h"

#include <QDate>
#include <QFileInfo>
#include <QTextStream>
#include <memory>

namespace tonva::cli {

namespace {

struct ReportArguments
{
    std::string database;
    int test = -1;
    std::string booth;
    std::string kind = "tabular";
    std::string sections;
    std::string today;
    std::string pageSize = "letter";
    std::string pdf;
    std::string company, header1, header2;
    int compareWith = -1;
    std::string paragraph;
    bool alternate = false;
    bool oshaOnly = false, ansiOnly = false, noUncovered = false;
};

// What every kind of report needs besides its record.
struct ReportContext
{
    ReportOrganisation organisation;
    ReportSelection selection;
    QDate today;
    RegionalMode mode = RegionalMode::Normal;
    BoothReportOptions booth;
};

QString text(const std::string &value)
{
    return QString::fromStdString(value);
}

int fail(const QString &message)
{
    QTextStream(stderr) << message << '\n';
    return 1;
}

std::optional<AudTestRecord> loadTest(const Database &database, int id, QString *error)
{
    const std::optional<AudTestRow> row = CAudTestMeasRS(database).find(id);
    if (!row) {
        *error = QStringLiteral("No stored test with Id %1").arg(id);
        return std::nullopt;
    }
    AudTestRecord record;
    const BlobReadReport report = ReadTestBlob(row->data, record);
    if (report.emptyBlob || report.damagedHeader) {
        *error = QStringLiteral("Test %1 cannot be read: %2").arg(id).arg(report.problems());
        return std::nullopt;
    }
    return record;
}

std::optional<BoothRecord> loadBooth(const Database &database, const QString &name, QString *error)
{
    const CAmbientMeasurements table(database);
    const std::optional<int> id = table.findByName(name);
    const std::optional<AmbientRow> row = id ? table.find(*id) : std::nullopt;
    if (!row) {
        *error = QStringLiteral("No stored booth test named \"%1\"").arg(name);
        return std::nullopt;
    }
    BoothRecord record;
    const BlobReadReport report = ReadBoothBlob(row->data, row->testName, record);
    if (report.emptyBlob || report.damagedHeader) {
        *error = QStringLiteral("Booth test \"%1\" cannot be read: %2").arg(name, report.problems());
        return std::nullopt;
    }
    return record;
}

std::unique_ptr<CanvasDocument> makeCertificate(const ReportArguments &arguments, const ReportContext &context,
                                                const Database &database, const QString &paragraph, QString *error)
{
    std::unique_ptr<CCertHandler> certificate;
    if (arguments.test >= 0) {
        const std::optional<AudTestRecord> record = loadTest(database, arguments.test, error);
        if (!record)
            return nullptr;
        // A loaded test's saved set-up is its own set-up, so its layout version picks the edition.
        certificate = std::make_unique<CCertHandler>(CCertHandler::forAudiometer(
            *record, record->setup.layoutVersion, context.organisation, paragraph));
    } else {
        const std::optional<BoothRecord> booth = loadBooth(database, text(arguments.booth), error);
        if (!booth)
            return nullptr;
        certificate =
            std::make_unique<CCertHandler>(CCertHandler::forBooth(*booth, context.organisation, paragraph));
    }
    if (const QString problem = certificate->paragraphProblem(); !problem.isEmpty()) {
        *error = problem;
        return nullptr;
    }
    certificate->issued = context.today;
    certificate->displayRetsplMessage = context.selection.displayRetsplMessage;
    return certificate;
}

// The document of a report kind, or null with the reason. Further kinds dispatch here.
std::unique_ptr<CanvasDocument> makeDocument(const ReportArguments &arguments, const ReportContext &context,
                                             const Database &database, QString *error)
{
    if (arguments.kind == "tabular") {
        if (arguments.test >= 0) {
            const std::optional<AudTestRecord> record = loadTest(database, arguments.test, error);
            if (!record)
                return nullptr;
            return std::make_unique<CPrintHandler>(*record, context.organisation, context.selection, context.mode);
        }
        const std::optional<BoothRecord> booth = loadBooth(database, text(arguments.booth), error);
        if (!booth)
            return nullptr;
        return std::make_unique<CPrintHandler>(*booth, context.organisation, context.booth);
    }
    if (arguments.kind == "certificate")
        return makeCertificate(arguments, context, database, text(arguments.paragraph), error);
    if (arguments.kind == "comparison") {
        if (arguments.test < 0) {
            // A booth has nothing to compare beside: its comparison is its report.
            const std::optional<BoothRecord> booth = loadBooth(database, text(arguments.booth), error);
            if (!booth)
                return nullptr;
            return std::make_unique<CPrintHandler>(*booth, context.organisation, context.booth);
        }
        if (arguments.compareWith < 0) {
            *error = QStringLiteral("A comparison wants the stored test to compare with: --compare-with ID");
            return nullptr;
        }
        const std::optional<AudTestRecord> first = loadTest(database, arguments.test, error);
        const std::optional<AudTestRecord> second =
            first ? loadTest(database, arguments.compareWith, error) : std::nullopt;
        if (!second)
            return nullptr;
        return std::make_unique<CPrintCompareHandler>(*first, *second, context.organisation, context.selection,
                                                      context.mode);
    }
    *error = QStringLiteral("Unknown report kind '%1'").arg(text(arguments.kind));
    return nullptr;
}

int runReport(const ReportArguments &arguments)
{
    ReportContext context;
    context.organisation = {text(arguments.company), text(arguments.header1), text(arguments.header2)};
    if (!arguments.sections.empty()) {
        QString error;
        const std::optional<ReportSelection> selection = reportSelectionFromList(text(arguments.sections), &error);
        if (!selection)
            return fail(error);
        context.selection = *selection;
    }
    context.today = arguments.today.empty() ? QDate::currentDate()
                                            : QDate::fromString(text(arguments.today), QStringLiteral("yyyy-MM-dd"));
    if (!context.today.isValid())
        return fail(QStringLiteral("--today wants a date as YYYY-MM-DD"));
    const std::optional<ReportPageSize> size = reportPageSizeFromName(text(arguments.pageSize));
    if (!size)
        return fail(QStringLiteral("--page-size is letter or a4"));
    context.mode = arguments.alternate ? RegionalMode::Alternate : RegionalMode::Normal;
    context.booth.display = arguments.oshaOnly   ? BoothDisplayMode::OshaOnly
                            : arguments.ansiOnly ? BoothDisplayMode::AnsiOnly
                                                 : BoothDisplayMode::Both;
    context.booth.earsNotCovered = !arguments.noUncovered;

    const QString path = DatabasePath::resolve(text(arguments.database));
    if (!QFileInfo::exists(path))
        return fail(QStringLiteral("%1: no such database").arg(text(arguments.database)));
    DatabaseSlot slot;
    try {
        slot = Database::openForReading(path);
        if (ReadSchemaVersion(*slot) != kCurrentSchemaVersion)
            return fail(QStringLiteral("%1: not a current Tonva database; run 'tonva-cli db convert' first").arg(path));
        QString error;
        std::unique_ptr<CanvasDocument> document = makeDocument(arguments, context, *slot, &error);
        if (!document)
            return fail(error);
        const QString written = writeReportPdf(text(arguments.pdf), *document, *size);
        if (!written.isEmpty())
            return fail(written);
    } catch (const DatabaseError &error) {
        return fail(QStringLiteral("Couldn't open database %1 --Exception: ").arg(path) + error.description());
    }
    return 0;
}

} // namespace

Command addReportCommand(CLI::App &app)
{
    auto arguments = std::make_shared<ReportArguments>();
    CLI::App *sub = app.add_subcommand("report", "Print a stored test or booth survey as a PDF");
    sub->add_option("--db", arguments->database, "Database file")->required();
    CLI::Option *test = sub->add_option("--test", arguments->test, "Id of the stored audiometer test");
    CLI::Option *booth = sub->add_option("--booth", arguments->booth, "Test name of the stored booth survey");
    test->excludes(booth);
    sub->add_option("--kind", arguments->kind, "Report kind: tabular, certificate or comparison")
        ->default_val("tabular");
    sub->add_option("--compare-with", arguments->compareWith, "Comparison: Id of the stored test beside --test");
    sub->add_option("--paragraph", arguments->paragraph,
                    "Certificate: paragraph file (.acp) instead of the built-in paragraph");
    sub->add_option("--sections", arguments->sections, "Sections: hl,freq,lin,dist,pulse,xtalk,fm,nb,bb,speech");
    sub->add_option("--today", arguments->today, "Date of issue, YYYY-MM-DD (default: today)");
    sub->add_option("--page-size", arguments->pageSize, "letter or a4")->default_val("letter");
    sub->add_option("--pdf", arguments->pdf, "PDF file to write")->required();
    sub->add_option("--company", arguments->company, "Organisation name at the top of the report");
    sub->add_option("--header1", arguments->header1, "First heading line under it");
    sub->add_option("--header2", arguments->header2, "Second heading line");
    sub->add_flag("--alternate", arguments->alternate, "Judge as the alternate regional mode does");
    sub->add_flag("--osha-only", arguments->oshaOnly, "Booth: the OSHA table only");
    sub->add_flag("--ansi-only", arguments->ansiOnly, "Booth: the ANSI table only");
    sub->add_flag("--no-uncovered", arguments->noUncovered, "Booth: leave out the ears-not-covered columns");
    return {sub, [arguments, test, booth] {
                if (test->count() == 0 && booth->count() == 0)
                    return fail(QStringLiteral("report wants --test ID or --booth NAME"));
                return runReport(*arguments);
            }};
}

} // namespace tonva::cli
