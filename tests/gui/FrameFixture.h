#pragma once

#include "app/CVemoraDoc.h"
#include "app/ui/CMainFrame.h"
#include "meter/MeterSource.h"
#include "platform/Clock.h"
#include "platform/PreferenceStore.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QApplication>
#include <memory>

// What the main window needs from a test that opens it offscreen.
namespace tonva::test {

// The meter source belongs to the test and must outlive the window.
inline FrameServices frameServices(PreferenceStore &preferences, Interaction &interaction, Clock &clock,
                                   CVemoraDoc &document, const MeterSource &meterSource)
{
    return FrameServices{preferences,
                         interaction,
                         clock,
                         document,
                         [&meterSource]() -> const MeterSource & { return meterSource; },
                         [&meterSource] { return meterSource.description(); }};
}

// The window and the views it retired must be gone before the next test's window opens.
inline void closeFrame(std::unique_ptr<CMainFrame> &frame)
{
    if (frame) {
        frame->hide();
        frame.reset();
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The main window's surroundings: a script for the technician, the built-in meter on virtual time and
// a document whose database goes in a scratch folder.
struct FrameDesk
{
    CMainFrame &showFrame()
    {
        frame = std::make_unique<CMainFrame>(frameServices(preferences, interaction, clock, document, meterSource));
        frame->show();
        return *frame;
    }

    TempDir folder;
    PreferenceStore preferences{folder.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
    VirtualClock clock;
    // The built-in meter, or the device a test names instead.
    MeterSource meterSource{MeterSource::builtInName(), clock};
    CVemoraDoc document{preferences, interaction, folder.path()};
    std::unique_ptr<CMainFrame> frame;
};

} // namespace tonva::test
