#include "app/CVemoraDoc.h"
#include "app/ui/CPreferencesView.h"
#include "app/ui/CPrefsRS232Dlg.h"
#include "app/ui/CSaveNowDlg.h"
#include "gui/RecordingViewHost.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::RecordingViewHost;
using test::ScriptedInteraction;
using test::TempDir;

std::vector<SSerInfo> noPorts(const PreferenceBlock &)
{
    return {};
}

std::vector<SSerInfo> oneUsbPort(const PreferenceBlock &)
{
    return {{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("ttyUSB0"), QStringLiteral("FT232R USB UART"),
             true, QStringLiteral("FT232R USB UART")}};
}

template<typename T> T *child(QWidget &parent, const char *name)
{
    T *found = parent.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class PreferencesViewTest : public ::testing::Test
{
protected:
    // What another program (or the next start) finds in the store's file.
    QVariant stored(const char *key) const
    {
        return QSettings(iniFile, QSettings::IniFormat).value(QString::fromLatin1(key));
    }

    TempDir dir;
    QString iniFile = dir.file(QStringLiteral("prefs.ini"));
    PreferenceStore store{iniFile};
    ScriptedInteraction interaction;
    RecordingViewHost host;
    QString folder = dir.file(QStringLiteral("data/"));
};

TEST_F(PreferencesViewTest, AFreshStoreShowsEveryDefaultAndTheFirstOkWritesTheWholeBlock)
{
    CVemoraDoc doc(store, interaction, folder);
    CPreferencesView view(doc, store, interaction, host, nullptr, noPorts);
    EXPECT_TRUE(child<QLineEdit>(view, "companyName")->text().isEmpty());
    for (int i = 0; i < kDisplayOptionCount; ++i)
        EXPECT_TRUE(child<QCheckBox>(view, qPrintable(QStringLiteral("option%1").arg(i)))->isChecked()) << i;
    EXPECT_FALSE(stored("Preferences/SLMBaudRate").isValid());

    child<QPushButton>(view, "okButton")->click();
    EXPECT_EQ(host.backs, 1);
    EXPECT_TRUE(doc.preferencesSet());
    EXPECT_EQ(stored("Preferences/DatabaseDir").toString(), folder);
    EXPECT_EQ(stored("Preferences/DatabaseName").toString(), QStringLiteral("TonvaDB.sqlite"));
    for (const char *empty : {"AudCertPath", "AmbCertPath", "CompanyName", "Header1", "Header2"}) {
        const QVariant value = stored(qPrintable(QStringLiteral("Preferences/") + QLatin1String(empty)));
        EXPECT_TRUE(value.isValid()) << empty;
        EXPECT_TRUE(value.toString().isEmpty()) << empty;
    }
    EXPECT_EQ(stored("Preferences/SLMComport").toInt(), 1);
    EXPECT_EQ(stored("Preferences/SLMBaudRate").toInt(), 9600);
    EXPECT_EQ(stored("Preferences/AudComport").toInt(), 2);
    EXPECT_EQ(stored("Preferences/AudBaudRate").toInt(), 9600);
    for (const char *flag : {"Save After Test", "Show Save Dialog After Test", "Show Coupler Warn",
                             "Show RETSPL Warn", "Display Empty RetSpl", "Display Ears Not Covered"})
        EXPECT_EQ(stored(qPrintable(QStringLiteral("Settings/") + QLatin1String(flag))).toInt(), 1) << flag;
}

TEST_F(PreferencesViewTest, OrganizationTextsAreHeldToFortyCharactersAndCancelKeepsEverything)
{
    const QString longName = QString(40, QLatin1Char('M')) + QLatin1Char('X');
    store.writeText(QStringLiteral("Preferences"), QStringLiteral("CompanyName"), longName);
    store.writeInt(QStringLiteral("Preferences"), QStringLiteral("SLMComport"), 3);
    CVemoraDoc doc(store, interaction, folder);
    {
        CPreferencesView view(doc, store, interaction, host, nullptr, oneUsbPort);
        EXPECT_EQ(child<QLineEdit>(view, "companyName")->text(), QString(40, QLatin1Char('M')));
        child<QLineEdit>(view, "header1")->setText(QStringLiteral("Changed"));
        child<QCheckBox>(view, "option1")->setChecked(false);
        interaction.expectMessage(QStringLiteral(
            "The previous Comport \"Com 3\" is not in service. \nPlease select a valid comport."));
        view.showPage(CPreferencesView::Page::Rs232Port);
        child<QComboBox>(view, "portList")->setCurrentIndex(0);
        child<QPushButton>(view, "cancelButton")->click();
    }
    EXPECT_EQ(host.backs, 1);
    EXPECT_EQ(doc.preferenceBlock().header1, QString());
    EXPECT_EQ(doc.preferenceBlock().slmComport, 3);
    EXPECT_TRUE(doc.preferenceBlock().slmPortName.isEmpty());
    EXPECT_EQ(store.readInt(QStringLiteral("Settings"), QStringLiteral("Save After Test"), 1), 1);
    EXPECT_FALSE(stored("Settings/Save After Test").isValid());

    CPreferencesView view(doc, store, interaction, host, nullptr, oneUsbPort);
    child<QPushButton>(view, "okButton")->click();
    EXPECT_EQ(stored("Preferences/CompanyName").toString(), QString(40, QLatin1Char('M')));
}

TEST_F(PreferencesViewTest, WithNoSerialPortsOnlyTheSimulatorIsOfferedAndTheStoredPortIsNamed)
{
    store.writeText(QStringLiteral("Preferences"), QStringLiteral("SLMPortName"),
                    QStringLiteral("/dev/ttyUSB7"));
    store.writeInt(QStringLiteral("Preferences"), QStringLiteral("SLMBaudRate"), 115200);
    CVemoraDoc doc(store, interaction, folder);
    CPreferencesView view(doc, store, interaction, host, nullptr, noPorts);
    interaction.expectMessage(QStringLiteral(
        "The previous Comport \"/dev/ttyUSB7\" is not in service. \nPlease select a valid comport."));
    child<QListWidget>(view, "setupItems")->setCurrentRow(1);
    interaction.verifyDone();

    auto *ports = child<QComboBox>(view, "portList");
    ASSERT_EQ(ports->count(), 1);
    EXPECT_EQ(ports->itemText(0), QStringLiteral("sim <Built-in simulator>"));
    EXPECT_EQ(ports->currentIndex(), -1);
    // A rate the list does not offer shows as 9600, never as no entry.
    auto *bauds = child<QComboBox>(view, "baudList");
    EXPECT_EQ(bauds->count(), 5);
    EXPECT_EQ(bauds->currentText(), QStringLiteral("9600"));

    bauds->setCurrentIndex(4);
    child<QPushButton>(view, "okButton")->click();
    EXPECT_EQ(stored("Preferences/SLMBaudRate").toInt(), 19200);
    // Nothing was picked, so the stored port stays.
    EXPECT_EQ(stored("Preferences/SLMPortName").toString(), QStringLiteral("/dev/ttyUSB7"));
}

TEST_F(PreferencesViewTest, SetSlmPortStoresTheChoiceAtOnce)
{
    CVemoraDoc doc(store, interaction, folder);
    {
        CPrefsRS232Dlg dialog(doc, interaction, nullptr, oneUsbPort);
        interaction.expectMessage(QStringLiteral(
            "The previous Comport \"Com 1\" is not in service. \nPlease select a valid comport."));
        dialog.show();
        auto *ports = child<QComboBox>(dialog, "portList");
        ASSERT_EQ(ports->count(), 2);
        EXPECT_EQ(ports->itemText(0), QStringLiteral("/dev/ttyUSB0 <FT232R USB UART>"));
        ports->setCurrentIndex(0);
        child<QPushButton>(dialog, "okButton")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(stored("Preferences/SLMPortName").toString(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(stored("Preferences/SLMComport").toInt(), 1);

    // Choosing the built-in simulator, and Cancel after choosing something else, which keeps it.
    CPrefsRS232Dlg dialog(doc, interaction, nullptr, oneUsbPort);
    dialog.show();
    auto *ports = child<QComboBox>(dialog, "portList");
    EXPECT_EQ(ports->currentIndex(), 0);
    ports->setCurrentIndex(1);
    child<QPushButton>(dialog, "okButton")->click();
    EXPECT_EQ(stored("Preferences/SLMPortName").toString(), QStringLiteral("sim"));
    CPrefsRS232Dlg cancelled(doc, interaction, nullptr, oneUsbPort);
    cancelled.show();
    child<QComboBox>(cancelled, "portList")->setCurrentIndex(0);
    child<QPushButton>(cancelled, "cancelButton")->click();
    EXPECT_EQ(doc.preferenceBlock().slmPortName, QStringLiteral("sim"));

    // A port the system does not report can be typed; a COM name sets the number too.
    const auto type = [&](const char *text) {
        CPrefsRS232Dlg typing(doc, interaction, nullptr, oneUsbPort);
        typing.show();
        child<QComboBox>(typing, "portList")->setEditText(QString::fromLatin1(text));
        child<QPushButton>(typing, "okButton")->click();
    };
    // An entry's whole text typed (as completion fills it in) is that entry, not a device name.
    type("/dev/ttyUSB0 <FT232R USB UART>");
    EXPECT_EQ(stored("Preferences/SLMPortName").toString(), QStringLiteral("/dev/ttyUSB0"));
    type("com4");
    EXPECT_EQ(stored("Preferences/SLMPortName").toString(), QStringLiteral("COM4"));
    EXPECT_EQ(stored("Preferences/SLMComport").toInt(), 4);
    interaction.expectMessage(
        QStringLiteral("The previous Comport \"Com 4\" is not in service. \nPlease select a valid comport."));
    type(" /dev/pts/9 ");
    EXPECT_EQ(stored("Preferences/SLMPortName").toString(), QStringLiteral("/dev/pts/9"));
    EXPECT_EQ(stored("Preferences/SLMComport").toInt(), 4);
}

TEST_F(PreferencesViewTest, SaveDataAnswersAndItsCheckBox)
{
    {
        CSaveNowDlg dialog(store);
        EXPECT_FALSE(child<QCheckBox>(dialog, "alwaysUse")->isChecked());
        child<QPushButton>(dialog, "saveButton")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(stored("Settings/Save After Test").toInt(), 1);
        EXPECT_EQ(stored("Settings/Show Save Dialog After Test").toInt(), 1);
    }
    {
        CSaveNowDlg dialog(store);
        child<QCheckBox>(dialog, "alwaysUse")->setChecked(true);
        child<QPushButton>(dialog, "saveLaterButton")->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    store.sync();
    EXPECT_EQ(stored("Settings/Save After Test").toInt(), 0);
    EXPECT_EQ(stored("Settings/Show Save Dialog After Test").toInt(), 0);
    // Switched off, the box starts ticked.
    CSaveNowDlg dialog(store);
    EXPECT_TRUE(child<QCheckBox>(dialog, "alwaysUse")->isChecked());
}

} // namespace
} // namespace tonva
