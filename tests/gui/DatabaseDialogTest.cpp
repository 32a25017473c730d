#include "app/CVemoraDoc.h"
#include "storage/ui/CDAOTableDlg.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace tonva {
namespace {

TEST(DatabaseDialog, HandsTheTypedPathToTheDocumentWhichCreatesTheFile)
{
    test::TempDir dir;
    CDAOTableDlg dialog(dir.file(QStringLiteral("TonvaDB.sqlite")));
    auto *path = dialog.findChild<QLineEdit *>(QStringLiteral("databasePath"));
    auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("okButton"));
    ASSERT_TRUE(path && ok);
    path->setText(QStringLiteral("   "));
    EXPECT_FALSE(ok->isEnabled());
    const QString chosen = dir.file(QStringLiteral("Clinic North.sqlite"));
    path->setText(QStringLiteral("  ") + chosen + QStringLiteral(" "));
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(dialog.chosenPath(), chosen);

    PreferenceStore store(dir.file(QStringLiteral("prefs.ini")));
    test::ScriptedInteraction interaction;
    CVemoraDoc doc(store, interaction, dir.path() + QLatin1Char('/'));
    interaction.expectAskStartingWith(QStringLiteral("Database %1 doesn't exist.").arg(chosen), Answer::Yes)
        .expectMessage(QStringLiteral("Connected to %1").arg(chosen));
    EXPECT_EQ(doc.ChangeDatabase(
                  true, [&](const QString &) { return std::optional<QString>(dialog.chosenPath()); }),
              CVemoraDoc::ChangeResult::Connected);
    EXPECT_TRUE(QFile::exists(chosen));
    EXPECT_EQ(doc.preferenceBlock().databaseName, QStringLiteral("Clinic North.sqlite"));
    EXPECT_EQ(store.readText(QStringLiteral("Preferences"), QStringLiteral("DatabaseName"), QString()),
              QStringLiteral("Clinic North.sqlite"));
}

} // namespace
} // namespace tonva
