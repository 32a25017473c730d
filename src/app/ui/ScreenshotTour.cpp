#include "app/ui/ScreenshotTour.h"

#include "app/ui/CAboutDlg.h"
#include "app/ui/CMainFrame.h"
#include "app/ui/CSysMessageDlg.h"
#include "export/ui/CExportDataDlg.h"
#include "meter/MeterCalibration.h"
#include "meter/MeterConnection.h"
#include "meter/ui/CBatteryCheckDlg.h"
#include "meter/ui/CSlmCalibrationDlg.h"
#include "model/ui/CTestSetupPS.h"
#include "model/ui/CTestSetupView.h"
#include "platform/PreferenceStore.h"
#include "platform/ui/MessageBoxInteraction.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>

namespace tonva {

namespace {

struct Shot
{
    ViewId view;
    const char *file;
    int measurementIndex = -1;
};

struct SetupShot
{
    const char *page;
    const char *file;
};

bool save(QWidget &widget, const QDir &folder, const QString &file, QStringList &written)
{
    widget.adjustSize();
    QApplication::processEvents();
    const QString path = folder.filePath(file);
    if (!widget.grab().save(path, "PNG"))
        return false;
    written << path;
    return true;
}

} // namespace

QStringList renderScreenshots(CMainFrame &frame, const QString &folder)
{
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral(".")))
        return {};
    const Shot shots[] = {
        {ViewId::Idle, "main-window.png"},
        {ViewId::Summary, "view-5-summary.png"},
        {ViewId::Instruments, "view-1-instruments.png"},
        {ViewId::Preferences, "view-2-preferences.png"},
        {ViewId::Booth, "view-3-booth.png"},
        {ViewId::TestSetup, "view-4-test-setup.png"},
        {ViewId::AudTest, "view-6-measurements.png", 0},
        {ViewId::AudTest, "view-6-broadband-masking.png", 8},
        {ViewId::TestNotes, "view-7-test-notes.png"},
        {ViewId::TestAll, "view-8-select-measurements.png"},
    };
    QStringList written;
    frame.show();
    for (const Shot &shot : shots) {
        frame.showViewForPicture(shot.view, shot.measurementIndex);
        QApplication::processEvents();
        const QString path = dir.filePath(QLatin1String(shot.file));
        if (!frame.grab().save(path, "PNG"))
            return {};
        written << path;
    }

    // The set-up window's pages a technician spends most time on.
    const SetupShot setupShots[] = {
        {"CTestAudInfoPP", "view-4-setup-audiometer.png"},
        {"CTestAudFreqPP", "view-4-setup-frequencies.png"},
        {"CTestAudSupraPP", "view-4-setup-supra-aural.png"},
        {"CTestEquipPP", "view-4-setup-equipment.png"},
    };
    frame.showViewForPicture(ViewId::TestSetup);
    auto *setup = qobject_cast<CTestSetupView *>(frame.viewWidget());
    for (const SetupShot &shot : setupShots) {
        if (!setup || !setup->sheet().showPage(QLatin1String(shot.page)))
            continue;
        QApplication::processEvents();
        const QString path = dir.filePath(QLatin1String(shot.file));
        if (!frame.grab().save(path, "PNG"))
            return {};
        written << path;
    }
    frame.showViewForPicture(ViewId::Idle);

    CAboutDlg about(RegionalMode::Normal, &frame);
    about.show();
    if (!save(about, dir, QStringLiteral("about-box.png"), written))
        return {};
    about.hide();

    {
        // Its remembered choices go to a scratch store: a picture must not change the user's.
        QTemporaryDir scratch;
        PreferenceStore store(scratch.filePath(QStringLiteral("export.ini")));
        MessageBoxInteraction interaction(&frame);
        const BoothRecord booth;
        CExportDataDlg exportDialog(store, interaction, {nullptr, &booth, {}}, &frame);
        exportDialog.show();
        if (!save(exportDialog, dir, QStringLiteral("export-data.png"), written))
            return {};
        exportDialog.hide();
    }

    CSysMessageDlg &message = frame.sysMessage();
    message.showMessage(QStringLiteral("Reading the Trellan's spectrum at 1000 Hz"),
                        QStringLiteral("Waiting for a stable level..."));
    if (!save(message, dir, QStringLiteral("message-window.png"), written))
        return {};
    message.dismiss();

    // The meter's dialogs need a meter: on the built-in one they show what it reads.
    if (frame.connectMeter() >= 0) {
        const std::unique_ptr<MeterCalibration> calibration = frame.makeCalibration();
        if (calibration && calibration->open()) {
            CSlmCalibrationDlg dialog(*calibration, &frame);
            dialog.show();
            dialog.readNow();
            const bool saved = save(dialog, dir, QStringLiteral("slm-calibration.png"), written);
            dialog.reject();
            if (!saved)
                return {};
        }
        CBatteryCheckDlg battery(*frame.meter()->link(), &frame);
        battery.show();
        battery.refresh();
        const bool saved = save(battery, dir, QStringLiteral("slm-battery-check.png"), written);
        battery.accept();
        if (!saved)
            return {};
    }
    return written;
}

} // namespace tonva
