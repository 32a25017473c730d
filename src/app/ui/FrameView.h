#pragma once

#include "app/ViewId.h"

namespace tonva {

// What the main window may ask of the view it shows, beyond being a widget. A view implements only
// what concerns it; the frame finds this interface with a dynamic_cast and otherwise assumes the
// defaults.
class FrameView
{
public:
    virtual ~FrameView() = default;

    // The frame is about to show `next` instead: the view writes back into the document what its
    // fields hold. Called once, before the view is hidden and destroyed.
    virtual void aboutToLeave(ViewId next) { (void)next; }

    // File > Save while this view shows. False: the frame saves the current test itself.
    virtual bool handleSave() { return false; }

    // The instrument view: edits that were neither added nor updated.
    virtual bool hasPendingInstrumentChanges() const { return false; }
    virtual void discardPendingInstrumentChanges() {}
    // The instrument view shows its microphone or mastoid page (File > Import).
    virtual bool importPageShown() const { return false; }
};

} // namespace tonva
