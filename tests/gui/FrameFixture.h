#pragma once

#include "app/ui/CMainFrame.h"
#include "meter/MeterSource.h"

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

} // namespace tonva::test
