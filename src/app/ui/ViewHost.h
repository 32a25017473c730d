#pragma once

#include "app/ViewId.h"

namespace tonva {

// What a view may ask of the main window. Views never switch or destroy each other themselves: the
// frame does, after its own checks, so a view must not touch its members after calling these.
class ViewHost
{
public:
    virtual ~ViewHost() = default;

    // Switches to `view`; `measurementIndex` (-1 or 0..9) opens that measurement on the sheet.
    // False when the switch was refused and the calling view stays.
    virtual bool switchView(ViewId view, int measurementIndex = -1) = 0;
    // Pops the view history and shows the entry found (the preferences and notes views close so).
    virtual void goBack() = 0;
    // A view that runs measurements tells the frame when its run becomes busy or idle, so the
    // commands that could destroy the running page are refused meanwhile.
    virtual void runBusyChanged(bool busy) { (void)busy; }
};

} // namespace tonva
