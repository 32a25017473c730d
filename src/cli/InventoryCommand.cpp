#include "cli/Commands.h"
#include "cli/ConsoleInteraction.h"
#include "inventory/InstrumentInventory.h"
#include "inventory/SetupImport.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "storage/Database.h"
#include "storage/DatabaseFile.h"
#include "storage/Recordsets.h"
#include "storage/SchemaConversion.h"

#include <QDate>
#include <QFileInfo>
#include <QTextStream>

namespace tonva::cli {

namespace {

struct Options
{
    std::string file;
    std::string database;
    bool tab = false;
    int coupler = 0;
};

// The entry of the kind with the file's serial number: an import updates it, and keeps what the file
// does not carry (a mastoid's other couplers, a microphone's grid corrections).
const InventoryEntry *sameSerial(const Inventory &inventory, InventoryType type, const QByteArray &serial)
{
    for (const InventoryEntry &entry : inventory.list(type)) {
        const std::string_view stored = fixedText(entry.bodyAs<InstrumentIdentity>().serialNumber);
        if (stored == std::string_view(serial.constData(), static_cast<std::size_t>(serial.size())))
            return &entry;
    }
    return nullptr;
}

int run(const Options &options)
{
    // The command was asked to add the instrument: a duplicate serial number is updated and a
    // warning is accepted, as the technician who imports it would.
    ConsoleInteraction interaction(ConsoleInteraction::Answers::Accept);
    std::optional<MastoidCoupler> coupler;
    if (options.coupler != 0)
        coupler = static_cast<MastoidCoupler>(options.coupler);
    const QString path = QString::fromStdString(options.file);
    SetupFile file;
    if (path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive)) {
        // A mastoid's calibration certificate; --coupler names the response page it is meant for.
        std::optional<SetupFile> certificate = ImportCertificateWorkbook(path, coupler, interaction);
        if (!certificate)
            return 1;
        file = std::move(*certificate);
    } else if (const SetupImportStatus parsed = ParseSetupFile(path, options.tab, std::nullopt, file); !parsed.ok()) {
        interaction.message(setupImportMessage(parsed, options.tab));
        return 1;
    }
    if (file.type == SetupDataType::Mastoid && !file.coupler && !coupler) {
        interaction.message(QStringLiteral("The file does not name the mastoid's coupler: give --coupler 1 "
                                           "(Kestin), 2 (Lorvat) or 3 (Pendry)."));
        return 1;
    }

    const QString databasePath = DatabasePath::resolve(QString::fromStdString(options.database));
    if (!QFileInfo::exists(databasePath)) {
        interaction.message(QStringLiteral("%1: no such database").arg(QString::fromStdString(options.database)));
        return 1;
    }
    try {
        const DatabaseSlot database = Database::openExisting(databasePath);
        if (VerifyDatabase(*database, interaction) != kCurrentSchemaVersion) {
            interaction.message(QStringLiteral("%1: run 'tonva-cli db convert' first").arg(databasePath));
            return 1;
        }
        Inventory inventory;
        const CEquipmentList equipment(*database);
        const BlobReadReport report =
            ReadInventoryBlob(equipment.readFirst().value_or(QByteArray()), inventory, 0);
        confirmUnreadableEntries(report, inventory, interaction);

        const bool mastoid = file.type == SetupDataType::Mastoid;
        const InstrumentKind kind = mastoid ? InstrumentKind::Mastoid : InstrumentKind::Microphone;
        SetupImportStatus mapped;
        const std::optional<InventoryEntry> entry = importedEntry(
            file, coupler, sameSerial(inventory, inventoryTypeOf(kind), file.serialNumber), &mapped);
        if (!entry) {
            interaction.message(setupImportMessage(mapped, options.tab));
            return 1;
        }
        InstrumentInventory instruments(inventory, interaction, QDate::currentDate().year());
        const int position = instruments.AddInstrument(kind, *entry);
        if (position < 0)
            return 1;
        Transaction transaction(*database);
        equipment.writeFirst(WriteInventoryBlob(inventory));
        transaction.commit();
        QTextStream(stdout) << (mastoid ? "mastoid " : "microphone ")
                            << ListLabel(instruments.list(kind)[static_cast<std::size_t>(position)]) << '\n';
        return 0;
    } catch (const DatabaseError &error) {
        interaction.message(QStringLiteral("Database error--Exception: ") + error.description());
        return 1;
    }
}

} // namespace

Command addInventoryCommand(CLI::App &app)
{
    auto options = std::make_shared<Options>();
    CLI::App *inventory = app.add_subcommand("inventory", "The laboratory's instruments in a database");
    inventory->require_subcommand(1);
    CLI::App *import = inventory->add_subcommand(
        "import", "Add (or update) the microphone or mastoid a maker's set-up file describes");
    import->add_option("file", options->file, "Set-up file (.csv), or a mastoid's certificate workbook (.xls)")
        ->required();
    import->add_option("--db", options->database, "Database file")->required();
    import->add_flag("--tab", options->tab, "The file's fields are tab-delimited (comma otherwise)");
    import->add_option("--coupler", options->coupler, "A mastoid's coupler when the file names none: "
                                                      "1 Kestin, 2 Lorvat, 3 Pendry")
        ->check(CLI::Range(1, 3));
    return {inventory, [options] { return run(*options); }};
}

} // namespace tonva::cli
