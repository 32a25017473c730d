#include "model/Blobs.h"
#include "storage/Database.h"
#include "storage/DatabaseFile.h"
#include "storage/Recordsets.h"
#include "support/Processes.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tonva;
using namespace tonva::test;

namespace {

Inventory storedInventory(const QString &path)
{
    Inventory inventory;
    const DatabaseSlot database = Database::openExisting(path);
    ReadInventoryBlob(CEquipmentList(*database).readFirst().value_or(QByteArray()), inventory, 0);
    return inventory;
}

ProgramResult import(const QString &file, const QString &database)
{
    return runProgram(builtProgram("src/cli/tonva-cli"), {"inventory", "import", file, "--db", database}, 30000);
}

// A maker's file goes into a laboratory's database headless; a faulty one is refused with its message
// and leaves the inventory as it was.
TEST(InventoryImportEndToEnd, AMicrophoneFileIsAddedAndAFaultyOneChangesNothing)
{
    TempDir dir;
    const QString database = dir.file(QStringLiteral("lab.sqlite"));
    {
        ScriptedInteraction technician;
        DatabaseSlot slot;
        ASSERT_EQ(OpenOrCreateDatabase(slot, database, false, technician), 1);
    }
    const QString setup = dir.file(QStringLiteral("mic.csv"));
    QFile file(setup);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("MIC,Mervane,TMC-40,4411,50.0,12/31/2030\r\n31.5,-1\r\n1000,0.5\r\n16000,3\r\n");
    file.close();

    ProgramResult run = import(setup, database);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("microphone TMC-40 SN-4411\n"));
    const Inventory added = storedInventory(database);
    ASSERT_EQ(added.list(InventoryType::Microphone).size(), 1u);
    const MicrophoneSlot microphone = added.list(InventoryType::Microphone).front().bodyAs<MicrophoneSlot>();
    EXPECT_FLOAT_EQ(microphone.response[12], 0.5f);
    EXPECT_FLOAT_EQ(microphone.sensitivity, 50.0f);
    EXPECT_STREQ(microphone.identity.calibrationDue, "2030-12-31");

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("MIC,Mervane,TMC-40,4411,50.0,12/31/2030\n40,-1\n1000,0.5\n");
    file.close();
    run = import(setup, database);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("The first frequency in the setup file is higher than the first "
                                                "possible audiometer frequency (Line 2).")))
        << run.err.toStdString();
    const MicrophoneSlot kept =
        storedInventory(database).list(InventoryType::Microphone).front().bodyAs<MicrophoneSlot>();
    EXPECT_EQ(std::memcmp(&kept, &microphone, sizeof kept), 0);
}

} // namespace
