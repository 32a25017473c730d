#include "export/ui/CExportDataDlg.h"
#include "platform/PreferenceStore.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace tonva {
namespace {

// The radio buttons follow the format, the messages come where they should, and the choices outlive
// the dialog.
TEST(ExportDataDialog, ExportsWhereTheNameRulesSayAndRemembersTheChoice)
{
    test::TempDir dir;
    PreferenceStore store(dir.file(QStringLiteral("prefs.ini")));
    store.write(preference::ExportReportType, 2);
    store.write(preference::ExportDelimiter, 7); // any positive value means TAB
    store.write(preference::DefaultExportFolder, dir.path());
    test::ScriptedInteraction interaction;
    BoothRecord booth;
    QStringList launched;
    {
        CExportDataDlg dialog(store, interaction, {nullptr, &booth, {}});
        dialog.setLauncher([&](const QString &path) {
            launched << path;
            return false;
        });
        const auto radio = [&](const char *name) { return dialog.findChild<QRadioButton *>(QLatin1String(name)); };
        auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileName"));
        auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("okButton"));
        ASSERT_TRUE(name && ok && radio("excelRadio") && radio("tabRadio"));
        EXPECT_EQ(radio("excelRadio")->text(), QStringLiteral("Excel (xlsx)"));
        EXPECT_FALSE(dialog.findChild<QLabel *>(QStringLiteral("browseHint"))->isVisibleTo(&dialog));
        EXPECT_TRUE(radio("textRadio")->isChecked());
        EXPECT_TRUE(radio("tabRadio")->isChecked());
        EXPECT_TRUE(radio("tabRadio")->isEnabled());

        radio("csvRadio")->click(); // CSV forces the comma
        EXPECT_TRUE(radio("commaRadio")->isChecked());
        EXPECT_FALSE(radio("tabRadio")->isEnabled());
        radio("excelRadio")->click();
        EXPECT_FALSE(radio("commaRadio")->isEnabled());
        radio("textRadio")->click();
        EXPECT_TRUE(radio("commaRadio")->isEnabled());

        interaction.expectMessage(QStringLiteral("Please specify an output file."));
        ok->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);

        dialog.findChild<QCheckBox *>(QStringLiteral("launchCheck"))->setChecked(true);
        name->setText(QStringLiteral("report"));
        interaction.expectMessage(QStringLiteral("Unable to launch viewer."));
        ok->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(launched, QStringList{dir.file(QStringLiteral("REPORT.TXT"))});
        QFile written(dir.file(QStringLiteral("REPORT.TXT")));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll().contains("Measurement Date:,"));
    }
    interaction.verifyDone();
    EXPECT_EQ(store.read(preference::ExportReportType), 2);
    EXPECT_EQ(store.read(preference::ExportDelimiter), 0);
}

} // namespace
} // namespace tonva
