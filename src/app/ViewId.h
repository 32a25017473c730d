#pragma once

namespace tonva {

// The views of the main window's single content area; the numbers are the ids the view history
// keeps and the enabling rules speak of.
enum class ViewId
{
    Idle = 0,        // CIdleView
    Instruments = 1, // CEquipListsView
    Preferences = 2, // CPreferencesView
    Booth = 3,       // CAmbientView
    TestSetup = 4,   // CTestSetupView
    Summary = 5,     // CVemoraView
    AudTest = 6,     // CAudTestView
    TestNotes = 7,   // CTestNotesView
    TestAll = 8      // CTestAllView
};

} // namespace tonva
