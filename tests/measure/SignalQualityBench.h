#pragma once

#include "HearingLevelRecord.h"
#include "QuietHost.h"
#include "demo/BenchCoupling.h"
#include "demo/DemoBench.h"
#include "measure/MeasurementRun.h"
#include "measure/PageRegistry.h"
#include "meter/MeterConnection.h"
#include "platform/PreferenceStore.h"
#include "sim/AudiometerProfile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tonva::test {

// A shipped audiometer profile on the built-in meter, on virtual time, measured through the run with
// the simulated technician setting the audiometer as every prompt asks.
class SignalQualityBench
{
public:
    explicit SignalQualityBench(const QString &profileName,
                                std::initializer_list<double> offered = {250, 500, 1000, 2000, 4000, 8000})
        : record(hearingLevelRecord(offered))
    {
        QString error;
        const std::optional<AudiometerProfile> profile = AudiometerProfile::load(profileName, &error);
        EXPECT_TRUE(profile) << error.toStdString();
        bench = std::make_unique<demo::DemoBench>(profile.value_or(AudiometerProfile{}));
        setFixedText(record->setup.mastoid.identity.serialNumber, "AM1");
        setFixedText(record->setup.mastoid.identity.manufacturer, "Mervane");
        record->setup.transducerOptions.mastoidCouplerCode = 2;
        setFixedText(record->setup.boneVibrator.model, "B71");
        bench->audiometer().setCoupling(demo::couplingFor(record->setup));
        meter = std::make_unique<MeterConnection>(bench->meter(), bench->technician());
        EXPECT_EQ(meter->Connect(bench->meter().portNumber(), 115200), 0);
    }

    // Opens the page of `measurement` and measures all of it.
    int measureAll(PageRegistry &pages, MeasurementEntry measurement, TransducerType transducer, Ear ear)
    {
        const MeasurementServices services{bench->technician(), bench->clock(), preferences};
        run = std::make_unique<MeasurementRun>(services, pages, host, *record);
        run->AttachMeter(meter->link(), meter->fileList());
        run->Open(measurement, transducer, ear);
        const int status = run->MeasureAll();
        // OK hands the page's result to the status table, as the window's OK does.
        run->Ok();
        return status;
    }

    std::unique_ptr<AudTestRecord> record;
    std::unique_ptr<demo::DemoBench> bench;
    std::unique_ptr<MeterConnection> meter;
    TempDir dir;
    PreferenceStore preferences{dir.file("tonva.ini")};
    QuietHost host;
    std::unique_ptr<MeasurementRun> run;
};

} // namespace tonva::test
