#include "cli/Commands.h"
#include "cli/ConsoleInteraction.h"
#include "storage/DatabaseFile.h"
#include "storage/DateNumber.h"
#include "storage/Recordsets.h"
#include "storage/SchemaConversion.h"
#include "storage/StoredFilter.h"

#include <QFileInfo>
#include <QTextStream>

namespace tonva::cli {

namespace {

struct Options
{
    std::string action;
    std::string file;
    std::string serial, model, technician, from, to;
    int channel = 0;
};

QDate parseDate(const std::string &text)
{
    return QDate::fromString(QString::fromStdString(text), QStringLiteral("yyyy-MM-dd"));
}

// Opens an existing file only: a mistyped name must not leave a new empty database behind, and
// these commands never turn an empty file into a database either. `info` and `list` only read, so
// they also take a file the technician may not write (a writable one is opened as usual, so that
// closing it tidies the engine's journal files away).
DatabaseSlot openExisting(const QString &givenPath, bool forWriting, Interaction &interaction)
{
    DatabaseSlot slot;
    const QString path = DatabasePath::resolve(givenPath);
    if (!QFileInfo::exists(path)) {
        interaction.message(QStringLiteral("%1: no such database").arg(givenPath));
        return slot;
    }
    try {
        slot = forWriting || QFileInfo(path).isWritable() ? Database::openExisting(path)
                                                          : Database::openForReading(path);
    } catch (const DatabaseError &error) {
        interaction.message(QStringLiteral("Couldn't open database %1 --Exception: ").arg(path) +
                            error.description());
        return slot;
    }
    if (ReadSchemaVersion(*slot) < 0) {
        interaction.message(QStringLiteral("%1 is not a Tonva database").arg(path));
        slot.reset();
    }
    return slot;
}

int run(const Options &options)
{
    // The only question on these paths is whether to keep the file as it was before a conversion,
    // and a script always keeps it.
    ConsoleInteraction interaction(ConsoleInteraction::Answers::Accept);
    QTextStream out(stdout);
    DatabaseSlot slot =
        openExisting(QString::fromStdString(options.file), options.action == "convert", interaction);
    if (!slot)
        return 1;
    try {
        if (options.action == "info") {
            out << "schema " << ReadSchemaVersion(*slot) << '\n';
            if (slot->hasTable(QStringLiteral("AudTestMeasurements")))
                out << "tests " << CAudTestMeasRS(*slot).count() << '\n'
                    << "surveys " << CAmbientMeasurements(*slot).count() << '\n'
                    << "equipment rows " << CEquipmentList(*slot).count() << '\n';
            return 0;
        }
        if (options.action == "convert") {
            // A file that is already current is checked as thoroughly as one that is converted: the
            // answer "schema 7" tells the technician it is fit for use.
            if (CheckAndConvertDatabase(slot, interaction, PageCheck::Always) < 0)
                return 1;
            out << "schema " << ReadSchemaVersion(*slot) << '\n';
            return 0;
        }
        // Listing never changes the file: an old one is converted only when asked to, and only a file
        // the conversion would take is sent there.
        const int version = VerifyDatabase(*slot, interaction);
        if (version < 0)
            return 1;
        if (version != kCurrentSchemaVersion) {
            // The conversion writes a new file beside the old one and renames both.
            const QFileInfo file(slot->filePath());
            const bool convertible = file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
            interaction.message(
                convertible ? QStringLiteral("%1: database version %2; run 'tonva-cli db convert' first")
                                  .arg(slot->filePath())
                                  .arg(version)
                            : QStringLiteral("%1: database version %2 must be converted, which needs a "
                                             "file and folder you may write; convert a copy of it")
                                  .arg(slot->filePath())
                                  .arg(version));
            return 1;
        }
        const TestFilter filter{QString::fromStdString(options.serial),
                                QString::fromStdString(options.model),
                                QString::fromStdString(options.technician),
                                options.channel,
                                parseDate(options.from),
                                parseDate(options.to)};
        out << "filter: " << BuildTestFilter(filter) << '\n';
        for (const AudTestRow &row : CAudTestMeasRS(*slot).list(testCondition(filter))) {
            out << row.id << '\t' << row.technician << '\t' << row.modelNum << '\t' << row.serialNum << '\t'
                << row.channelNum << '\t' << DateNumber::listText(row.date) << '\n';
        }
        // Booth surveys have no audiometer, so only the dates can narrow them down.
        if (options.serial.empty() && options.model.empty() && options.technician.empty() && options.channel == 0) {
            const BoothFilter surveys{QString(), QString(), parseDate(options.from), parseDate(options.to)};
            for (const AmbientRow &row : CAmbientMeasurements(*slot).list(boothCondition(surveys))) {
                out << "survey " << row.id << '\t' << row.testName << '\t' << row.customer << '\t' << row.booth
                    << '\t' << DateNumber::listText(row.date) << '\n';
            }
        }
        return 0;
    } catch (const DatabaseError &error) {
        interaction.message(QStringLiteral("Database error--Exception: ") + error.description());
        return 1;
    }
}

} // namespace

Command addDbCommand(CLI::App &app)
{
    auto options = std::make_shared<Options>();
    CLI::App *sub = app.add_subcommand("db", "Inspect, list or convert a Tonva database file");
    sub->add_option("action", options->action, "info, list or convert")
        ->required()
        ->check(CLI::IsMember({"info", "list", "convert"}));
    sub->add_option("file", options->file, "Database file")->required();
    sub->add_option("--serial", options->serial, "Audiometer serial number");
    sub->add_option("--model", options->model, "Audiometer model");
    sub->add_option("--technician", options->technician, "Technician");
    sub->add_option("--channel", options->channel, "Channel count (0: any)");
    sub->add_option("--from", options->from, "First date, YYYY-MM-DD");
    sub->add_option("--to", options->to, "Last date, YYYY-MM-DD");
    return {sub, [options] { return run(*options); }};
}

} // namespace tonva::cli
