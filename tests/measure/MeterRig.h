#pragma once

#include "HearingLevelRecord.h"
#include "measure/MeasurementPage.h"
#include "meter/ComPort.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "platform/PreferenceStore.h"
#include "sim/BuiltInSimulator.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <memory>

namespace tonva::test {

// What a page needs around it on the built-in meter, on virtual time, with a scripted technician.
// The port is left for the test to open, so a port that will not open stops the test at once.
struct MeterRig
{
    explicit MeterRig(TrellanProfile trellan = {}, LineFaults faults = LineFaults{})
        : simulator{clock, std::move(trellan), std::move(faults)}
    {
    }

    template <typename Page>
    std::unique_ptr<Page> page(MeasurementEntry entry, TransducerType transducer = TransducerType::SupraAural,
                               Ear ear = Ear::Left)
    {
        auto test = std::make_unique<Page>(MeasurementServices{technician, clock, preferences});
        test->Initialise({record.get(), transducer, ear, entry});
        test->AttachMeter(&link, &files);
        return test;
    }

    VirtualClock clock;
    BuiltInSimulator simulator;
    ScriptedInteraction technician;
    ComPort port{simulator.portFactory(), clock};
    SlmLink link{port, technician};
    SlmFileList files{port, technician};
    TempDir dir;
    PreferenceStore preferences{dir.file("tonva.ini")};
    std::unique_ptr<AudTestRecord> record = hearingLevelRecord({1000});
};

} // namespace tonva::test
