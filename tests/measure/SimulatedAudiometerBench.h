#pragma once

#include "HearingLevelRecord.h"
#include "demo/BenchCoupling.h"
#include "measure/MeasurementPage.h"
#include "platform/Clock.h"
#include "meter/ComPort.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "platform/PreferenceStore.h"
#include "sim/AudiometerProfile.h"
#include "sim/BuiltInSimulator.h"
#include "sim/SceneDriver.h"
#include "sim/SimulatedTechnician.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tonva::test {

// A page on the built-in meter, on virtual time, with a shipped audiometer profile coupled to the
// record's set-up and the careful simulated technician setting it: what the page stores is what the
// profile says the audiometer puts out.
class SimulatedAudiometerBench
{
public:
    explicit SimulatedAudiometerBench(const QString &profileName, LineFaults faults = LineFaults{})
        : simulator(clock, TrellanProfile{}, std::move(faults)),
          audiometer(driver, loadProfile(profileName), demo::couplingFor(record->setup)), technician(audiometer)
    {
        EXPECT_EQ(port.Open(), 0);
    }

    template<class Page>
    std::unique_ptr<Page> page(MeasurementEntry entry, Ear ear, Interaction *asking = nullptr)
    {
        auto made = std::make_unique<Page>(MeasurementServices{asking ? *asking : technician, clock, preferences});
        made->Initialise({record.get(), TransducerType::SupraAural, ear, entry});
        made->AttachMeter(&link, &files);
        return made;
    }

    static AudiometerProfile loadProfile(const QString &name)
    {
        QString error;
        const std::optional<AudiometerProfile> profile = AudiometerProfile::load(name, &error);
        EXPECT_TRUE(profile.has_value()) << error.toStdString();
        return profile.value_or(AudiometerProfile{});
    }

    VirtualClock clock;
    BuiltInSimulator simulator;
    LocalSceneDriver driver{simulator.scene()};
    std::unique_ptr<AudTestRecord> record = hearingLevelRecord({1000, 8000});
    SimulatedAudiometer audiometer;
    SimulatedTechnician technician;
    ComPort port{simulator.portFactory(), clock};
    SlmLink link{port, technician};
    SlmFileList files{port, technician};
    TempDir dir;
    PreferenceStore preferences{dir.file("tonva.ini")};
};

} // namespace tonva::test
