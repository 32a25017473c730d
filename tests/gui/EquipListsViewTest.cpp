#include "app/CVemoraDoc.h"
#include "gui/RecordingViewHost.h"
#include "inventory/ui/CEquipListsView.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "platform/PreferenceIndex.h"
#include "storage/Recordsets.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::RecordingViewHost;
using test::ScriptedInteraction;
using test::TempDir;

const QDate kToday(2026, 12, 8);

class EquipListsViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        doc.NewTest(kToday);
        ASSERT_NE(doc.database(), nullptr);
    }
    void TearDown() override { interaction.verifyDone(); }

    template<class T> T *child(QWidget &view, const char *name)
    {
        T *found = view.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(QWidget &view, const char *name) { child<QPushButton>(view, name)->click(); }
    // Typed as the technician types, so the view sees an edit and not a load.
    void type(QWidget &view, const char *name, const QString &text)
    {
        auto *edit = child<QLineEdit>(view, name);
        edit->selectAll();
        if (text.isEmpty()) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
            QApplication::sendEvent(edit, &key);
        }
        for (QChar c : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &key);
        }
    }
    QStringList listed(QWidget &view)
    {
        QStringList labels;
        auto *list = child<QListWidget>(view, "instrumentList");
        for (int row = 0; row < list->count(); ++row)
            labels << list->item(row)->text();
        return labels;
    }
    Inventory stored()
    {
        Inventory inventory;
        const QByteArray blob = CEquipmentList(*doc.database()).readFirst().value_or(QByteArray());
        ReadInventoryBlob(blob, inventory, 0);
        return inventory;
    }

    TempDir dir;
    PreferenceStore store{dir.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
    RecordingViewHost host;
    CVemoraDoc doc{store, interaction, dir.file(QStringLiteral("data/"))};
};

TEST_F(EquipListsViewTest, MicrophoneIsAddedUpdatedRefusedAndStoredOnClose)
{
    CEquipListsView view(doc, store, interaction, host, kToday);
    EXPECT_EQ(child<QLabel>(view, "titleLabel")->text(), QStringLiteral("Sound Level Meters"));
    auto *tree = child<QTreeWidget>(view, "categoryTree");
    tree->setCurrentItem(tree->topLevelItem(2));
    EXPECT_EQ(view.category(), InstrumentKind::Microphone);
    EXPECT_EQ(child<QLabel>(view, "hintLabel")->text(),
              QStringLiteral("Select available Microphone or enter data to add a new instrument."));

    type(view, "modelEdit", QStringLiteral("ABCDEFGHIJKLMNOPQ"));
    EXPECT_EQ(child<QLineEdit>(view, "modelEdit")->text(), QStringLiteral("ABCDEFGHIJKLMNO"));
    type(view, "serialEdit", QStringLiteral("K1"));
    type(view, "dueDateEdit", QStringLiteral("2027-06-30"));
    type(view, "micSensitivityEdit", QStringLiteral("50"));
    auto *grid = child<ResponseGrid>(view, "micResponseGrid");
    QString column;
    for (int i = 0; i < kFrequencyCount; ++i)
        column += QString::number(i * 0.1, 'f', 1) + QStringLiteral("\r\n");
    grid->setCurrentCell(0, 0);
    grid->pasteText(column);
    grid->setCurrentCell(5, 0);
    grid->pasteText(QStringLiteral("nan\n"));
    EXPECT_TRUE(grid->item(5, 0)->text().isEmpty());
    // A block wider than the grid: the columns beyond it are dropped, not written past it.
    auto *corrections = child<ResponseGrid>(view, "micGridGrid");
    corrections->setCurrentCell(kGridFrequencyCount - 2, 0);
    corrections->pasteText(QStringLiteral("0.5\t9\n-0.25\t9\n7\n"));
    click(view, "addButton");
    EXPECT_EQ(listed(view), QStringList{QStringLiteral("ABCDEFGHIJKLMNO SN-K1")});
    EXPECT_EQ(store.read(preference::CurrentMike), 0);
    EXPECT_FALSE(view.hasPendingInstrumentChanges());

    type(view, "micSensitivityEdit", QStringLiteral("48.5"));
    click(view, "updateButton");
    type(view, "micSensitivityEdit", QString());
    interaction.expectMessage(QStringLiteral("No valid sensitivity has been entered for the microphone.\n\nYou "
                                             "must enter a sensitivity before adding the microphone."));
    click(view, "updateButton");
    EXPECT_TRUE(view.hasPendingInstrumentChanges());

    // Leaving the category with the refused edit pending: No keeps the technician where they were.
    interaction.expectAsk(QStringLiteral("There are changes that have not been Added or Updated.\nDo you wish to "
                                         "discard the changes?\n\nClick Yes to discard the changes and change "
                                         "the selection."),
                          Answer::No);
    tree->setCurrentItem(tree->topLevelItem(0));
    EXPECT_EQ(view.category(), InstrumentKind::Microphone);
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(2));

    interaction.expectAskStartingWith(QStringLiteral("There are changes that have not been Added or Updated."),
                                      Answer::Yes);
    click(view, "closeButton");
    ASSERT_EQ(host.switches.size(), 1u);
    EXPECT_EQ(host.switches[0].view, ViewId::Idle);
    EXPECT_TRUE(doc.equipmentListsLoaded());

    const Inventory saved = stored();
    ASSERT_EQ(saved.list(InventoryType::Microphone).size(), 1u);
    const MicrophoneSlot mic = saved.list(InventoryType::Microphone)[0].bodyAs<MicrophoneSlot>();
    EXPECT_EQ(fixedText(mic.identity.serialNumber), "K1");
    EXPECT_FLOAT_EQ(mic.sensitivity, 48.5f);
    EXPECT_FLOAT_EQ(mic.response[0], 0.0f);
    EXPECT_FLOAT_EQ(mic.response[5], 0.0f);
    EXPECT_FLOAT_EQ(mic.response[6], 0.6f);
    EXPECT_FLOAT_EQ(mic.response[38], 3.8f);
    EXPECT_FLOAT_EQ(mic.gridCorrection[kGridFrequencyCount - 2], 0.5f);
    EXPECT_FLOAT_EQ(mic.gridCorrection[kGridFrequencyCount - 1], -0.25f);
    EXPECT_FLOAT_EQ(mic.gridCorrection[0], 0.0f);
}

TEST_F(EquipListsViewTest, StaleSelectionOverdueMarkProposalAndDeleteQuestion)
{
    CalibratorData calibrator;
    setFixedText(calibrator.identity.model, "CA-1");
    setFixedText(calibrator.identity.serialNumber, "C7");
    setFixedText(calibrator.identity.calibrationDue, "2026-12-07");
    calibrator.frequency = 1000.0f;
    calibrator.level = 94.0f;
    doc.inventory().list(InventoryType::Calibrator).push_back(
        makeInventoryEntry(InventoryType::Calibrator, calibrator));
    // Left behind by a list that was longer once.
    store.write(preference::CurrentCalibrator, 3);

    CEquipListsView view(doc, store, interaction, host, kToday);
    EXPECT_EQ(child<QLineEdit>(view, "manufacturerEdit")->text(), QStringLiteral("Mervane"));
    EXPECT_EQ(child<QLineEdit>(view, "modelEdit")->text(), QStringLiteral("Trellan"));

    view.showCategory(InstrumentKind::Calibrator);
    auto *list = child<QListWidget>(view, "instrumentList");
    EXPECT_EQ(list->currentRow(), -1);
    EXPECT_TRUE(child<QLineEdit>(view, "serialEdit")->text().isEmpty());
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("CA-1 SN-C7"));
    EXPECT_TRUE(list->item(0)->data(Qt::UserRole).toBool());

    interaction.expectMessage(QStringLiteral("No instrument selected to delete."));
    click(view, "deleteButton");
    list->setCurrentRow(0);
    EXPECT_EQ(child<QLineEdit>(view, "frequencyEdit")->text(), QStringLiteral("1000"));
    interaction.expectAsk(QStringLiteral("Delete CA-1 SN-C7 and its response data?"), Answer::No);
    click(view, "deleteButton");
    EXPECT_EQ(listed(view), QStringList{QStringLiteral("CA-1 SN-C7")});
}

// A maker's file fills the mastoid's fields in its coupler's column, keeping the other couplers'; a
// refused file changes nothing.
TEST_F(EquipListsViewTest, ImportedSetupFileFillsTheFieldsForTheTechnicianToAdd)
{
    CEquipListsView view(doc, store, interaction, host, kToday);
    auto *tree = child<QTreeWidget>(view, "categoryTree");
    tree->setCurrentItem(tree->topLevelItem(3));
    ASSERT_TRUE(view.importPageShown());
    type(view, "serialEdit", QStringLiteral("M5"));
    auto *grid = child<ResponseGrid>(view, "mastoidResponseGrid");
    grid->setCurrentCell(12, 0);
    grid->pasteText(QStringLiteral("4\n"));

    const QString path = dir.file(QStringLiteral("mastoid.csv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("MASTOID,Mervane,AM-2,M5,1.0,20301231,201\n200,1\n300,2\n");
    file.close();
    ASSERT_TRUE(view.importSetupFile(path, false));
    EXPECT_TRUE(view.hasPendingInstrumentChanges());
    EXPECT_EQ(grid->item(5, 2)->text().toDouble(), 1.5) << "250 Hz, Pendry";
    EXPECT_EQ(grid->item(12, 0)->text().toDouble(), 4.0) << "the same mastoid keeps its Kestin column";

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("MASTOID,Mervane,AM-2,M6,1.0,20301231,100\n200,1\n300,2\n");
    file.close();
    ASSERT_TRUE(view.importSetupFile(path, false));
    EXPECT_EQ(child<QLineEdit>(view, "serialEdit")->text(), QStringLiteral("M6"));
    EXPECT_EQ(grid->item(5, 0)->text().toDouble(), 1.5);
    EXPECT_EQ(grid->item(5, 2)->text().toDouble(), 0.0) << "nothing of M5 goes with another mastoid";

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("MIC,Mervane,TMC-40,X9,50,20301231\n31.5,1\n");
    file.close();
    interaction.expectMessage(QStringLiteral("Bad or missing data type in the setup file (Line 1).\n(Be sure the data "
                                             "in the file is comma-delimited.)"));
    EXPECT_FALSE(view.importSetupFile(path, false));
    EXPECT_EQ(child<QLineEdit>(view, "serialEdit")->text(), QStringLiteral("M6"));
}

} // namespace
} // namespace tonva
