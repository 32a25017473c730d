#pragma once

#include "meter/ComPort.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "platform/PreferenceStore.h"
#include "sim/BuiltInSimulator.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

namespace tonva::test {

// The built-in meter on virtual time with a scripted technician and scratch preferences. The port is
// left for the test to open, so a port that will not open stops the test at once.
struct MeterLine
{
    explicit MeterLine(TrellanProfile trellan = {}, LineFaults faults = LineFaults{})
        : simulator{clock, std::move(trellan), std::move(faults)}
    {
    }

    VirtualClock clock;
    BuiltInSimulator simulator;
    ScriptedInteraction technician;
    ComPort port{simulator.portFactory(), clock};
    SlmLink link{port, technician};
    SlmFileList files{port, technician};
    TempDir dir;
    PreferenceStore preferences{dir.file("tonva.ini")};
};

} // namespace tonva::test
