#pragma once

#include "measure/MeasurementRun.h"

namespace tonva::test {

// A run host that saves without asking and ignores the run's news, for tests that drive the run alone.
class QuietHost final : public RunHost
{
public:
    bool SaveRecord() override { return true; }
    bool AskSaveData() override { return false; }
    void RecordChanged(bool) override {}
    void ReturnToSummary() override {}
    void OpenAdjust(MeasurementEntry) override {}
};

} // namespace tonva::test
