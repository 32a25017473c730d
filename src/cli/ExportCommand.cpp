#include "app/CVemoraApp.h"
#include "cli/Commands.h"
#include "export/DataExport.h"
#include "model/Blobs.h"
#include "platform/PreferenceStore.h"
#include "storage/Database.h"
#include "storage/DatabaseFile.h"
#include "storage/Recordsets.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <memory>

namespace tonva::cli {

namespace {

struct Options
{
    std::string database;
    int testId = -1;
    std::string booth;
    std::string format;
    bool tab = false;
    std::string out;
};

int fail(const QString &message)
{
    QTextStream(stderr) << message << '\n';
    return 1;
}

ExportFormat formatOf(const std::string &name)
{
    if (name == "xlsx")
        return ExportFormat::Spreadsheet;
    if (name == "csv")
        return ExportFormat::CommaSeparated;
    return ExportFormat::Text;
}

int run(const Options &options)
{
    if (options.testId < 0 && options.booth.empty())
        return fail(QStringLiteral("export: give --test ID or --booth NAME"));
    const QString given = QString::fromStdString(options.database);
    const QString path = DatabasePath::resolve(given);
    if (!QFileInfo::exists(path))
        return fail(QStringLiteral("%1: no such database").arg(given));

    auto test = std::make_unique<AudTestRecord>();
    auto booth = std::make_unique<BoothRecord>();
    ExportSource source;
    try {
        // Exporting only reads: the file is never converted or created here.
        const std::unique_ptr<Database> database = Database::openForReading(path);
        if (options.testId >= 0) {
            const std::optional<AudTestRow> row = CAudTestMeasRS(*database).find(options.testId);
            if (!row)
                return fail(QStringLiteral("%1: no test %2").arg(given).arg(options.testId));
            const BlobReadReport report = ReadTestBlob(row->data, *test);
            if (report.damagedHeader || report.truncated)
                return fail(QStringLiteral("test %1: %2").arg(options.testId).arg(report.problems()));
            source.test = test.get();
        } else {
            const QString name = QString::fromStdString(options.booth);
            const CAmbientMeasurements surveys(*database);
            const std::optional<int> id = surveys.findByName(name);
            const std::optional<AmbientRow> row = id ? surveys.find(*id) : std::nullopt;
            if (!row)
                return fail(QStringLiteral("%1: no booth survey \"%2\"").arg(given, name));
            const BlobReadReport report = ReadBoothBlob(row->data, row->testName, *booth);
            if (report.damagedHeader || report.truncated)
                return fail(QStringLiteral("booth survey \"%1\": %2").arg(name, report.problems()));
            source.booth = booth.get();
        }
    } catch (const DatabaseError &error) {
        return fail(QStringLiteral("Couldn't open database %1 --Exception: ").arg(path) + error.description());
    }

    const PreferenceStore preferences;
    source.context = exportContextFrom(
        preferences, CVemoraApp::readRegionalMode(QCoreApplication::applicationDirPath()));
    // A script names the file it wants: the path is taken as given, without the dialog's name rules.
    const QString target = QDir::cleanPath(QString::fromStdString(options.out));
    QString detail;
    const QString message = writeExport(target, formatOf(options.format), options.tab ? '\t' : ',', source, &detail);
    if (!message.isEmpty())
        return fail(QStringLiteral("%1 (%2: %3)").arg(message, QDir::toNativeSeparators(target), detail));
    return 0;
}

} // namespace

Command addExportCommand(CLI::App &app)
{
    auto options = std::make_shared<Options>();
    CLI::App *sub = app.add_subcommand("export", "Export a stored test or booth survey to a text, CSV or xlsx file");
    sub->add_option("--db", options->database, "Database file")->required();
    auto *test = sub->add_option("--test", options->testId, "Id of the audiometer test");
    auto *booth = sub->add_option("--booth", options->booth, "Test name of the booth survey");
    test->excludes(booth);
    sub->add_option("--format", options->format, "txt, csv or xlsx")
        ->required()
        ->check(CLI::IsMember({"txt", "csv", "xlsx"}));
    sub->add_flag("--tab", options->tab, "Separate the fields of a txt file by TAB instead of comma");
    sub->add_option("--out", options->out, "File to write")->required();
    return {sub, [options] { return run(*options); }};
}

} // namespace tonva::cli
