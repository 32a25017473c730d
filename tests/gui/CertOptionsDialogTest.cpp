#include "report/ui/CCertOptionsDlg.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace tonva {
namespace {

// Edit locks OK and Browse until the paragraph is saved; Save with no file yet asks for one, and
// the three choices reach the options only on OK.
TEST(CertOptionsDialog, EditSaveAsAndTheChoicesOnOk)
{
    test::TempDir dir;
    test::ScriptedInteraction interaction;
    QString stored;
    CertificateOptions options(CertificateKind::Audiometer, "Acme", "(ANSI S3.6 2004)", {}, interaction,
                               [&](const QString &path) { stored = path; });
    CCertOptionsDlg dialog(options);
    const QString target = dir.file("mine.acp");
    dialog.setFileChooser([&](bool save, const QString &) { return save ? target : QString(); });
    auto *text = dialog.findChild<QPlainTextEdit *>("paragraphText");
    auto *edit = dialog.findChild<QPushButton *>("editButton");
    auto *save = dialog.findChild<QPushButton *>("saveButton");
    auto *ok = dialog.findChild<QPushButton *>("okButton");
    auto *border = dialog.findChild<QCheckBox *>("includeBorder");
    ASSERT_TRUE(text && edit && save && ok && border);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->toPlainText().startsWith("Acme certifies that this audiometer meets\n"));
    EXPECT_FALSE(save->isEnabled());

    edit->click();
    EXPECT_FALSE(text->isReadOnly());
    EXPECT_FALSE(ok->isEnabled());
    text->setPlainText("Our own words");
    save->click();
    EXPECT_EQ(stored, target);
    EXPECT_TRUE(ok->isEnabled() && text->isReadOnly());
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Our own words\0", 14));

    border->setChecked(false);
    EXPECT_TRUE(options.includeBorder);
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(options.includeBorder);
    EXPECT_TRUE(options.includeDateOfSignature && options.displayRetsplMessage);
    interaction.verifyDone();
}

} // namespace
} // namespace tonva
