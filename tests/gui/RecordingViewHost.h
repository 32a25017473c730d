#pragma once

#include "app/ui/ViewHost.h"

#include <vector>

namespace tonva::test {

// A main window stand-in that only remembers what the view asked of it.
class RecordingViewHost final : public ViewHost
{
public:
    bool switchView(ViewId view, int measurementIndex = -1) override
    {
        switches.push_back({view, measurementIndex});
        return true;
    }
    void goBack() override { ++backs; }

    struct Switch
    {
        ViewId view;
        int measurementIndex;
    };
    std::vector<Switch> switches;
    int backs = 0;
};

} // namespace tonva::test
