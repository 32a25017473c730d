#pragma once

#include "HearingLevelRecord.h"
#include "measure/MeasurementPage.h"
#include "support/MeterLine.h"

#include <memory>

namespace tonva::test {

// A page's surroundings on the built-in meter, with a record offering 1 kHz.
struct MeterRig : MeterLine
{
    using MeterLine::MeterLine;

    template <typename Page>
    std::unique_ptr<Page> page(MeasurementEntry entry, TransducerType transducer = TransducerType::SupraAural,
                               Ear ear = Ear::Left)
    {
        auto test = std::make_unique<Page>(MeasurementServices{technician, clock, preferences});
        test->Initialise({record.get(), transducer, ear, entry});
        test->AttachMeter(&link, &files);
        return test;
    }

    std::unique_ptr<AudTestRecord> record = hearingLevelRecord({1000});
};

} // namespace tonva::test
